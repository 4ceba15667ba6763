// The batch review report through either PDF writer, for run.sh to measure
// the compact writer beside Qt's QPdfWriter on the same input.
// Usage: report_writer compact|qt DATA AUDIT ALARMS OUT [LIMIT]
#include <QApplication>
#include <cstdio>

#include "review/report/batch_report.h"
#include "shell/runtime_error.h"
#include "signatures/vxlog.h"

using namespace tarvex;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 6 || (args[1] != u"compact" && args[1] != u"qt")) {
    std::fprintf(stderr, "usage: report_writer compact|qt DATA AUDIT ALARMS OUT [LIMIT]\n");
    return 2;
  }
  ReportRequest request;
  request.writer = args[1] == u"qt" ? ReportRequest::Writer::Qt : ReportRequest::Writer::Compact;
  request.dataFile = args[2];
  request.auditFile = args[3];
  request.alarmFile = args[4];
  request.output = args[5];
  try {
    if (args.size() > 6) request.limits.push_back(parseReportLimit(args[6]));
    VxLog sigLog;
    const ReportOutcome outcome = writeBatchReport(request, sigLog);
    std::printf("%d pages\n", outcome.pages);
  } catch (const RuntimeError& e) {
    std::fprintf(stderr, "report_writer: %s\n", e.what());
    return 2;
  }
  return 0;
}
