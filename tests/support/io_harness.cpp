#include "io_harness.h"

#include <fstream>
#include <random>
#include <stdexcept>

namespace seep::test {

WorkDir::WorkDir() : previous_(std::filesystem::current_path()) {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    dir_ = base / ("seepconv-io-" + std::to_string(rd()));
    if (std::filesystem::create_directory(dir_)) break;
  }
  std::filesystem::current_path(dir_);
}

WorkDir::~WorkDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(dir_, ec);
}

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

std::string StreamBytes(std::FILE* f) {
  std::fflush(f);
  const long end = std::ftell(f);
  std::string bytes(static_cast<std::size_t>(end), '\0');
  std::rewind(f);
  const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
  bytes.resize(n);
  std::fseek(f, 0, SEEK_END);
  return bytes;
}

std::string ConsoleIo::Out() {
  return StreamBytes(out_);
}

std::string ConsoleIo::Err() {
  return StreamBytes(err_);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace seep::test
