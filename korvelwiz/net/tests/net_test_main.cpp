// The link tests run real sockets in a Qt Core event loop (no display).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <clocale>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::setlocale(LC_ALL, "C");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
