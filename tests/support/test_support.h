// Test support shared by every test target (library quorvel_test_support).
//
//   TempDir            a fresh folder under $TMPDIR (or /tmp), removed with everything in it.
//   ScopedEnv          sets (or unsets) an environment variable and restores it afterwards.
//   IsolatedFolders    a TempDir with QUORVEL_PORTS_DIR=<dir>/ports (created) and
//                      QUORVEL_REGISTRY_DIR=<dir>/registry (not created: the store makes it),
//                      so nothing reaches the real ~/.config. LinkPort("COM2", slave) puts a
//                      device into the ports directory.
//   IsolatedTest       a GoogleTest fixture holding IsolatedFolders as `folders`.
//   ReadText/WriteText whole files as bytes (WriteText makes the parent folders).
//   RecordingNotifier  installs itself as the platform notifier for its lifetime and records
//                      every message (caption and text); thread-safe. With an auto-dismiss
//                      delay each Show() blocks that long, as a user reading the box would;
//                      ShowFromReader() also returns early when its stop token fires.
//
// Environment variables are process-wide: change them only while no other thread of the
// test is running (set up before starting a link or a simulated adapter).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/notifier.h"

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& child) const { return path_ / child; }

 private:
  std::filesystem::path path_;
};

class ScopedEnv {
 public:
  // nullopt unsets the variable for the scope.
  ScopedEnv(std::string name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

class IsolatedFolders {
 public:
  IsolatedFolders();

  const std::filesystem::path& Root() const { return temp_.Path(); }
  std::filesystem::path PortsDir() const { return temp_ / "ports"; }
  std::filesystem::path RegistryDir() const { return temp_ / "registry"; }
  // Ports-directory entry `portName` -> `device` (a symbolic link, as a user makes one).
  void LinkPort(const std::string& portName, const std::filesystem::path& device) const;

 private:
  TempDir temp_;
  ScopedEnv ports_;
  ScopedEnv registry_;
};

class IsolatedTest : public ::testing::Test {
 protected:
  IsolatedFolders folders;
};

class RecordingNotifier final : public platform::Notifier {
 public:
  explicit RecordingNotifier(std::chrono::milliseconds autoDismiss = std::chrono::milliseconds(0));
  ~RecordingNotifier() override;  // puts the default notifier back

  void Show(const platform::Message& message) override;
  void ShowFromReader(const platform::Message& message, std::stop_token stop) override;

  std::vector<platform::Message> Messages() const;
  std::size_t Count() const;
  // True once at least `count` messages were shown, false if `timeout` passed first.
  bool WaitForCount(std::size_t count, std::chrono::milliseconds timeout) const;
  void Clear();

 private:
  void Record(const platform::Message& message);

  const std::chrono::milliseconds autoDismiss_;
  mutable std::mutex mutex_;
  mutable std::condition_variable_any changed_;
  std::vector<platform::Message> messages_;
};

std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);

}  // namespace testsupport
