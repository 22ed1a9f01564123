// One notion of "the same file", for every comparison of an output with an input or with another
// output: the device and inode of the file its name leads to where it exists (its links followed), and
// where it does not exist yet the canonical path of its folder plus its name. "./x", "x", "$PWD/x",
// "a/../x" and a link to x are one place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace seep {

struct FilePlace {
  bool exists = false;
  bool device = false;    // a character or block device: one node serves many files, never compared
  std::uint64_t dev = 0;  // where the file exists (POSIX)
  std::uint64_t inode = 0;
  std::filesystem::path path;  // absolute, links followed as far as they lead; the folder made canonical
};

// The file that a chain of links ends at, read link by link so that a link to a file not made yet gives
// that file's name; the path itself when it is no link.
std::filesystem::path FollowLinks(const std::filesystem::path& path);

// Where `name` leads; "-" and other names of descriptors are taken as the files behind them.
FilePlace PlaceOf(const std::string& name);
// The place of the file open on descriptor `fd`; exists is false when it is not open.
FilePlace PlaceOfDescriptor(int fd);

bool SamePlace(const FilePlace& a, const FilePlace& b);
bool SameFile(const std::string& a, const std::string& b);
// True when `file` lies somewhere inside the folder `folder`.
bool InsideFolder(const FilePlace& file, const FilePlace& folder);

// The descriptor the process was started with (standard output first, then standard error, then any
// other it inherited open for writing) whose file is `place`; -1 when none is. A name that leads to
// such a file is written through that descriptor, as it is, and never replaced.
int InheritedDescriptorOf(const FilePlace& place);

}  // namespace seep
