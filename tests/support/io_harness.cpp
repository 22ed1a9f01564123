#include "support/io_harness.h"

#include <stdexcept>

namespace seep::test {

ConsoleIo::ConsoleIo(std::string_view answers)
    : in_(std::tmpfile()), out_(std::tmpfile()), err_(std::tmpfile()) {
  if (in_ == nullptr || out_ == nullptr || err_ == nullptr) throw std::runtime_error("tmpfile failed");
  if (!answers.empty()) std::fwrite(answers.data(), 1, answers.size(), in_);
  std::rewind(in_);
  io_ = std::make_unique<Io>(in_, out_, err_);
}

ConsoleIo::~ConsoleIo() {
  io_.reset();
  std::fclose(in_);
  std::fclose(out_);
  std::fclose(err_);
}

std::string ConsoleIo::Out() {
  return StreamBytes(out_);
}

std::string ConsoleIo::Err() {
  return StreamBytes(err_);
}

}  // namespace seep::test
