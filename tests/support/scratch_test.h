// A test fixture with a folder of its own under the system's temporary
// directory, named for the process and the test, removed after a test that
// passed and kept after one that failed, to look at what it wrote.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

namespace zemta::testing {

class ScratchTest : public ::testing::Test {
 protected:
  explicit ScratchTest(std::string prefix) : prefix_(std::move(prefix)) {}

  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           (prefix_ + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    if (!HasFailure()) {
      std::filesystem::remove_all(dir_);
    }
  }

  std::filesystem::path dir_;

 private:
  std::string prefix_;
};

}  // namespace zemta::testing
