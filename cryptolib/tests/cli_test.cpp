// The ferrolok tool run as a process: output forms and exit codes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "test_util.h"

extern char** environ;

namespace ferrolok {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the tool with `args`, stdout and stderr captured in files.
Outcome ferrolok(const std::vector<std::string>& args) {
  static TempDir dir;
  const std::string outPath = dir.file("stdout").string(), errPath = dir.file("stderr").string();
  std::vector<std::string> argv{FERROLOK_CLI};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  Outcome r;
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, FERROLOK_CLI, &actions, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return r;
  // A tool that waits (on a FIFO, say) is ended after 30 s: status -1.
  int status = 0;
  for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; ++waited) {
    if (waited == 3000) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    usleep(10000);
  }
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const Bytes out = readFile(outPath), err = readFile(errPath);
  r.out.assign(out.begin(), out.end());
  r.err.assign(err.begin(), err.end());
  return r;
}

TEST(Cli, EncryptsDecryptsAndHashesText) {
  Outcome r = ferrolok({"encrypt", "--password", "plumb", "--text", "a"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "b56cad6ee4dd5d6d\n");
  EXPECT_EQ(r.err, "");

  r = ferrolok({"decrypt", "--password", "plumb", "--hex", "B56CAD6EE4DD5D6D"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "61\n");

  r = ferrolok({"hash", "--text", "abc", "--password", "ignored"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "900150983cd24fb0d6963f7d28e17f72\n");
}

TEST(Cli, OutputFormats) {
  Outcome r = ferrolok({"hash", "--text", "abc", "--format", "hextext"});
  EXPECT_EQ(r.out, "90 1 50 98 3C D2 4F B0 D6 96 3F 7D 28 E1 7F 72\n");
  r = ferrolok({"decrypt", "--password=plumb", "--hex=b56cad6ee4dd5d6d", "--format=raw"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "a");
  // Hex text of the controller's files is accepted as input too.
  r = ferrolok({"decrypt", "--password", "plumb", "--hex", "B5 6C AD 6E E4 DD 5D 6D"});
  EXPECT_EQ(r.out, "61\n");
}

TEST(Cli, TextIsUtf8AndHexIsOneCharacterPerByte) {
  // U+0161 keeps its low byte 0x61, as the classes take UTF-16 text.
  EXPECT_EQ(ferrolok({"encrypt", "--password", "plumb", "--text", "\xc5\xa1"}).out,
            "b56cad6ee4dd5d6d\n");
  EXPECT_EQ(ferrolok({"encrypt", "--password-hex", "706c756d62", "--hex", "61"}).out,
            "b56cad6ee4dd5d6d\n");
  // The password ends at its first zero byte.
  EXPECT_EQ(ferrolok({"encrypt", "--password-hex", "706c756d620041", "--hex", "61"}).out,
            "b56cad6ee4dd5d6d\n");
  EXPECT_EQ(ferrolok({"hash", "--hex", "00"}).out, "93b885adfe0da089cdf634904fd59f71\n");
}

TEST(Cli, Files) {
  TempDir dir;
  writeFile(dir.file("plain"), Bytes{'a'});
  const std::string plain = dir.file("plain").string(), cipher = dir.file("cipher").string();
  Outcome r = ferrolok({"encrypt", "--file", plain, "--password", "plumb", "--out", cipher});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "b56cad6ee4dd5d6d\n");
  EXPECT_EQ(readFile(cipher), test::fromHex("b56cad6ee4dd5d6d"));

  r = ferrolok({"decrypt", "--file", cipher, "--password", "plumb", "--format", "raw"});
  EXPECT_EQ(r.out, "a");
  r = ferrolok({"hash", "--file", plain});
  EXPECT_EQ(r.out, "0cc175b9c0f1b6a831c399e269772661\n");

  // Without --out nothing is written.
  writeFile(dir.file("cipher"), Bytes{1, 2, 3});
  r = ferrolok({"encrypt", "--file", plain, "--password", "plumb"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(readFile(cipher), (Bytes{1, 2, 3}));
}

TEST(Cli, UntouchedResultExitsThreeAndPrintsNothing) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{"encrypt", "--text", ""},
                                               {"hash", "--hex", ""},
                                               {"encrypt", "--file", "/nonexistent/file"},
                                               {"decrypt", "--file", ""},
                                               {"hash", "--file", "/nonexistent/file"}}) {
    const Outcome r = ferrolok(args);
    EXPECT_EQ(r.status, 3) << args[1] << " " << args[2];
    EXPECT_EQ(r.out, "");
  }
}

// A pipe or a device is no file to read: exit 3 at once, nothing on stdout,
// the reason on stderr.
TEST(Cli, FilesThatAreNoRegularFilesExitThreeWithAMessage) {
  TempDir dir;
  const std::string fifo = dir.file("fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    for (const char* command : {"hash", "encrypt", "decrypt"}) {
      const Outcome r = ferrolok({command, "--file", path, "--format", "raw"});
      EXPECT_EQ(r.status, 3) << command << " " << path;
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, "ferrolok: " + path + " is not a regular file\n");
    }
  }
  const Outcome r = ferrolok({"hash", "--file", dir.file("missing").string()});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "ferrolok: cannot open " + dir.file("missing").string() +
                       ": No such file or directory\n");
}

// An --out that names a pipe, a device or a folder: exit 1 at once with the
// reason, nothing printed, nothing written (a FIFO reader gets nothing).
TEST(Cli, OutThatIsNoRegularFileExitsOneWithAMessage) {
  TempDir dir;
  const std::string fifo = dir.file("fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  writeFile(dir.file("plain"), Bytes{'a'});
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  for (const std::string& path : {fifo, std::string("/dev/null"), dir.file("").string()}) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"encrypt", "--text", "a", "--out", path},
          {"encrypt", "--file", dir.file("plain").string(), "--out", path},
          {"decrypt", "--hex", "b56cad6ee4dd5d6d", "--out", path}}) {
      const Outcome r = ferrolok(args);
      EXPECT_EQ(r.status, 1) << args[0] << " " << path;
      EXPECT_EQ(r.out, "");
      EXPECT_EQ(r.err, "ferrolok: --out " + path + " is not a regular file: nothing written\n");
    }
  }
  char back[16];
  EXPECT_LE(read(reader, back, sizeof back), 0);
  close(reader);
  // Without a reader the tool must not wait for one.
  const Outcome r = ferrolok({"encrypt", "--text", "a", "--out", fifo});
  EXPECT_EQ(r.status, 1);
  // A regular file, new or old, is still written.
  for (int i = 0; i < 2; ++i) {
    const Outcome ok = ferrolok(
        {"encrypt", "--password", "plumb", "--text", "a", "--out", dir.file("cipher").string()});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(readFile(dir.file("cipher")), test::fromHex("b56cad6ee4dd5d6d"));
  }
  // A file that cannot be made (its folder is missing) is a failure, not a
  // result printed as if it had been saved.
  const std::string lost = dir.file("missing").string() + "/cipher";
  const Outcome r2 = ferrolok({"encrypt", "--password", "plumb", "--text", "a", "--out", lost});
  EXPECT_EQ(r2.status, 1);
  EXPECT_EQ(r2.out, "");
  EXPECT_EQ(r2.err, "ferrolok: --out " + lost + " could not be written\n");
}

// Large results are written in pieces; the text must still be whole.
TEST(Cli, LargeResultsPrintWhole) {
  TempDir dir;
  Bytes plain(300 * 1024);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 7);
  writeFile(dir.file("plain"), plain);
  const std::string path = dir.file("plain").string();
  const Outcome raw = ferrolok({"encrypt", "--file", path, "--format", "raw"});
  ASSERT_EQ(raw.status, 0);
  ASSERT_EQ(raw.out.size(), plain.size() + 8);
  std::string hex, text;
  for (unsigned char c : raw.out) {
    static const char* kLower = "0123456789abcdef";
    static const char* kUpper = "0123456789ABCDEF";
    hex += kLower[c >> 4];
    hex += kLower[c & 15];
    if (!text.empty()) text += ' ';
    if (c >= 16) text += kUpper[c >> 4];
    text += kUpper[c & 15];
  }
  EXPECT_EQ(ferrolok({"encrypt", "--file", path}).out, hex + "\n");
  EXPECT_EQ(ferrolok({"encrypt", "--file", path, "--format", "hextext"}).out, text + "\n");
}

TEST(Cli, EmptyByteArrayExitsFourWithAnEmptyLine) {
  Outcome r = ferrolok({"decrypt", "--password", "plumc", "--hex", "b56cad6ee4dd5d6d"});
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(r.out, "\n");
  r = ferrolok({"decrypt", "--hex", "b56cad6ee4dd5d"});  // 7 bytes
  EXPECT_EQ(r.status, 4);
  r = ferrolok({"encrypt", "--text", "a", "--provider", "No Such Provider"});
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(r.out, "\n");
  r = ferrolok({"hash", "--text", "a", "--provider-type", "-1"});
  EXPECT_EQ(r.status, 4);
  r = ferrolok({"decrypt", "--hex", "b56cad6ee4dd5d", "--format", "raw"});
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(r.out, "");
}

TEST(Cli, ProviderOptions) {
  Outcome r = ferrolok({"encrypt", "--text", "a", "--password", "plumb", "--provider",
                        "Microsoft Enhanced Cryptographic Provider v1.0", "--provider-type", "1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.size(), 17u);
  EXPECT_NE(r.out, "b56cad6ee4dd5d6d\n");
  EXPECT_EQ(r.out, ferrolok({"encrypt", "--text", "a", "--password", "plumb", "--provider",
                             "Microsoft Strong Cryptographic Provider"})
                       .out);
}

TEST(Cli, UsageErrorsExitTwoWithAMessage) {
  for (const std::vector<std::string>& args : {
           std::vector<std::string>{},
           {"frobnicate"},
           {"encrypt"},
           {"encrypt", "--text"},
           {"encrypt", "--text", "a", "--hex", "61"},
           {"encrypt", "--text", "a", "--bogus"},
           {"encrypt", "--hex", "6"},
           {"encrypt", "--hex", "zz"},
           {"decrypt", "--hex", "1 234"},
           {"decrypt", "--text", "a"},
           {"hash", "--text", "a", "--out", "/tmp/x"},
           {"encrypt", "--text", "a", "--format", "base64"},
           {"encrypt", "--text", "a", "--provider-type", "32768"},
           {"encrypt", "--text", "a", "--provider-type", "one"},
           {"encrypt", "--text", "a", "--password", "x", "--password-hex", "78"},
           {"encrypt", "--text", "\xff"},
           {"demo", "--text", "a"},
       }) {
    const Outcome r = ferrolok(args);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("ferrolok: "), std::string::npos);
  }
}

TEST(Cli, HelpAndDemo) {
  Outcome r = ferrolok({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--password-hex"), std::string::npos);
  EXPECT_EQ(ferrolok({"encrypt", "--help"}).status, 0);

  r = ferrolok({"demo"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("round trip: ok"), std::string::npos);
}

}  // namespace
}  // namespace ferrolok
