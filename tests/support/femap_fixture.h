// Runs the FEMAP writer in-process on a store built from plain values and hands back the records of
// the output file, cut into the file's blocks.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/model/store.h"
#include "support/files.h"
#include "support/store_builder.h"
#include "support/write_capture.h"
#include "writers/femap/femap.h"

namespace seep::test {

using FemapNode = NodeRow;
using FemapElement = ElementRow;

// A store holding the mesh.
inline Store FemapStore(const std::vector<FemapNode>& nodes, const std::vector<FemapElement>& elements) {
  return MakeStore(nodes, elements);
}

// Runs `writes` against unit 8 opened on a file in a fresh directory; returns the file's records.
template <class Writes>
std::vector<std::string> WriteFemap(Writes&& writes) {
  return SplitRecords(Capture(writes, Unit8::kOnFile).file);
}

// One block: its ID and the records between its ID record and its closing delimiter.
struct Block {
  int id = 0;
  std::vector<std::string> records;
};

// Cuts records into blocks framed by "   -1", an I6 block ID, the body and "   -1". Inner records
// never equal "   -1": fixed texts start with one blank and numbers of list records take 12 columns.
inline std::vector<Block> Blocks(const std::vector<std::string>& records) {
  std::vector<Block> blocks;
  std::size_t r = 0;
  while (r < records.size()) {
    if (records[r] != "   -1" || r + 1 >= records.size() || records[r + 1].size() != 6) {
      ADD_FAILURE() << "no block starts at record " << r + 1 << ": \"" << records[r] << "\"";
      return blocks;
    }
    Block block;
    block.id = std::stoi(records[r + 1]);
    r += 2;
    while (r < records.size() && records[r] != "   -1") block.records.push_back(records[r++]);
    if (r == records.size()) {
      ADD_FAILURE() << "block " << block.id << " has no closing delimiter";
      return blocks;
    }
    ++r;
    blocks.push_back(std::move(block));
  }
  return blocks;
}

}  // namespace seep::test
