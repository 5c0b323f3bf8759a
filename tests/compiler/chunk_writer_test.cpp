// The chunks a compiled file reaches its sink in: whole chunks of one size,
// whatever the sizes of the pieces it was made in, and the bytes in order.
#include "compiler/chunk_writer.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace borgo::compiler {
namespace {

class RecordingSink final : public storage::ByteSink {
 public:
  void write(std::string_view chunk) override {
    sizes.push_back(chunk.size());
    bytes.append(chunk);
  }
  std::vector<std::size_t> sizes;
  std::string bytes;
};

// One way of making a file: claims of these sizes, filled at once, or puts
// of pieces of these sizes.
struct Pieces {
  const char* name;
  bool claimed;
  std::vector<std::size_t> sizes;
};

// Piece i is filled with the letter for i, so that a piece out of place or
// cut short shows.
std::string expected_bytes(const Pieces& pieces) {
  std::string bytes;
  for (std::size_t i = 0; i < pieces.sizes.size(); ++i) {
    bytes.append(pieces.sizes[i], static_cast<char>('a' + i % 26));
  }
  return bytes;
}

TEST(ChunkWriter, HandsOverWholeChunksWhateverThePiecesSizes) {
  constexpr std::size_t kChunk = ChunkWriter::kChunk;
  const Pieces cases[] = {
      {"nothing", true, {}},
      {"less than a chunk", true, {10, 15, 1}},
      {"exactly a chunk", true, {kChunk}},
      {"ten-byte entries across many chunks", true, std::vector<std::size_t>(20000, 10)},
      {"claims running past the chunk's end", true, {kChunk - 4, 10, kChunk, 61440, 61440, 3}},
      {"the largest claim after a small one", true, {1, kChunk, kChunk, 1}},
      {"puts of any length", false, {3, 3 * kChunk + 7, kChunk, 1}},
  };
  for (const Pieces& pieces : cases) {
    SCOPED_TRACE(pieces.name);
    RecordingSink sink;
    ChunkWriter out(sink);
    const std::string expected = expected_bytes(pieces);
    std::size_t at = 0;
    for (std::size_t size : pieces.sizes) {
      if (pieces.claimed) {
        std::memcpy(out.claim(size), expected.data() + at, size);
      } else {
        out.put({expected.data() + at, size});
      }
      at += size;
    }
    EXPECT_EQ(out.finish(), expected.size());
    EXPECT_EQ(sink.bytes, expected);
    for (std::size_t c = 0; c + 1 < sink.sizes.size(); ++c) {
      ASSERT_EQ(sink.sizes[c], kChunk) << "chunk " << c << " of " << sink.sizes.size();
    }
    if (!sink.sizes.empty()) {
      EXPECT_GT(sink.sizes.back(), 0u);
      EXPECT_LE(sink.sizes.back(), kChunk);
    }
  }
}

// A caller claiming up to the chunk's end is told how much room is left,
// also when the last claim ran past it.
TEST(ChunkWriter, RoomIsWhatIsLeftOfTheChunkBeingFilled) {
  RecordingSink sink;
  ChunkWriter out(sink);
  EXPECT_EQ(out.room(), ChunkWriter::kChunk);
  out.claim(ChunkWriter::kChunk - 6);
  EXPECT_EQ(out.room(), 6u);
  out.claim(10);  // four bytes past the end: they begin the next chunk
  EXPECT_EQ(out.room(), ChunkWriter::kChunk - 4);
  out.claim(ChunkWriter::kChunk - 4);
  EXPECT_EQ(out.room(), ChunkWriter::kChunk);
  EXPECT_EQ(out.finish(), 2 * ChunkWriter::kChunk);
  EXPECT_EQ(sink.sizes, (std::vector<std::size_t>{ChunkWriter::kChunk, ChunkWriter::kChunk}));
}

}  // namespace
}  // namespace borgo::compiler
