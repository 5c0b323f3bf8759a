#pragma once

// A package payload laid out by hand, field by field, so that a test can
// make any one of them wrong.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "documents/package_payload.hpp"

namespace borgo::testing {

struct HandMadePayload {
  std::string line = "L";
  std::string train = "T";
  // By DocumentKind; none for a missing one.
  std::vector<std::optional<std::string>> documents{"[generale]\r\n", "[fine]\r\n", std::nullopt,
                                                    std::nullopt, std::nullopt};
  std::optional<std::uint32_t> train_size;  // instead of the train description's own size

  static void put_u32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
  }
  // The header and the documents.
  std::string body() const {
    std::string out;
    out += static_cast<char>(line.size());
    out += line;
    out += static_cast<char>(train.size());
    out += train;
    std::string bytes;
    for (std::size_t i = 0; i < documents.size(); ++i) {
      std::uint32_t size = documents[i] ? static_cast<std::uint32_t>(documents[i]->size())
                                        : documents::kAbsentDocument;
      if (i == 1 && train_size) size = *train_size;
      put_u32(out, size);
      if (documents[i]) bytes += *documents[i];
    }
    return out + bytes;
  }
  // `program`, then the payload with a checksum that matches and the trailer.
  std::string after(const std::string& program) const {
    std::string payload = body();
    put_u32(payload, documents::payload_checksum(payload));
    std::string out = program + payload;
    put_u32(out, static_cast<std::uint32_t>(payload.size()));
    return out + std::string(documents::kPayloadMagic);
  }
};

}  // namespace borgo::testing
