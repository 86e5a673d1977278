#pragma once
// One QApplication for a test program (headless under the offscreen platform).

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace lumicar::test {

class TQtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "lumicar_test";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

// Registered once per program, whichever of its files include this.
inline ::testing::Environment* const kQtApplication =
    ::testing::AddGlobalTestEnvironment(new TQtApplicationEnvironment);

}  // namespace lumicar::test
