#include "tests/support/test_support.h"

#include <stdlib.h>  // mkdtemp, setenv, unsetenv

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stop_token>
#include <system_error>
#include <thread>
#include <utility>

namespace testsupport {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      (base != nullptr && *base != '\0' ? std::string(base) : std::string("/tmp")) + "/quorvel-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) previous_ = old;
  if (value) {
    setenv(name_.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

ScopedEnv::~ScopedEnv() {
  if (previous_) {
    setenv(name_.c_str(), previous_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

IsolatedFolders::IsolatedFolders()
    : ports_("QUORVEL_PORTS_DIR", (temp_ / "ports").string()),
      registry_("QUORVEL_REGISTRY_DIR", (temp_ / "registry").string()) {
  std::filesystem::create_directory(PortsDir());
}

void IsolatedFolders::LinkPort(const std::string& portName, const std::filesystem::path& device) const {
  std::filesystem::path entry = PortsDir() / portName;
  std::error_code ignored;
  std::filesystem::remove(entry, ignored);
  std::filesystem::create_symlink(device, entry);
}

RecordingNotifier::RecordingNotifier(std::chrono::milliseconds autoDismiss) : autoDismiss_(autoDismiss) {
  platform::SetNotifier(this);
}

RecordingNotifier::~RecordingNotifier() { platform::SetNotifier(nullptr); }

void RecordingNotifier::Record(const platform::Message& message) {
  {
    std::lock_guard lock(mutex_);
    messages_.push_back(message);
  }
  changed_.notify_all();
}

void RecordingNotifier::Show(const platform::Message& message) {
  Record(message);
  if (autoDismiss_.count() > 0) std::this_thread::sleep_for(autoDismiss_);
}

void RecordingNotifier::ShowFromReader(const platform::Message& message, std::stop_token stop) {
  Record(message);
  if (autoDismiss_.count() <= 0) return;
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, stop, autoDismiss_, [] { return false; });
}

std::vector<platform::Message> RecordingNotifier::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::size_t RecordingNotifier::Count() const {
  std::lock_guard lock(mutex_);
  return messages_.size();
}

bool RecordingNotifier::WaitForCount(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return messages_.size() >= count; });
}

void RecordingNotifier::Clear() {
  std::lock_guard lock(mutex_);
  messages_.clear();
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace testsupport
