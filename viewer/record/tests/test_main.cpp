// The record's tests, and the writer process they start: with
// --append-helper the binary appends notes (see appendHelper) instead.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

int appendHelper(int argc, char** argv);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "--append-helper") == 0) return appendHelper(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
