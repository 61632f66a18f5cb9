#include "monitor/iftable.h"

#include <algorithm>

namespace kestrova {
namespace {

// Four little-endian bytes from offset; bytes past the end of the buffer read as 0.
std::int32_t readInt32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t b = 0; b < 4; ++b) {
    if (offset + b < bytes.size()) value |= std::uint32_t{bytes[offset + b]} << (8 * b);
  }
  return static_cast<std::int32_t>(value);
}

}  // namespace

void InterfaceTable::refresh(IfTableSource& source) {
  // The first call only asks for the size the rows need; its code does not matter.
  std::uint8_t dummy[1] = {0};
  std::uint32_t size = 0;
  source.getIfTable(dummy, &size, false);
  if (static_cast<std::int32_t>(size) <= 0) return;

  std::vector<std::uint8_t> buffer(size, 0);
  if (source.getIfTable(buffer.data(), &size, true) != 0) return;
  // The second call may report a different size; only the bytes it claims are read.
  buffer.resize(std::min<std::size_t>(buffer.size(), size));

  const std::int32_t rows = std::max(readInt32(buffer, 0), 0);
  std::vector<std::unique_ptr<IfRecord>> fresh;
  fresh.reserve(static_cast<std::size_t>(rows));
  for (std::int32_t i = 0; i < rows; ++i) {
    auto rec = std::make_unique<IfRecord>();
    const std::size_t row = 4 + static_cast<std::size_t>(i) * kIfRowSize;
    rec->dwInOctets = readInt32(buffer, row + kInOctetsOffset);
    rec->dwOutOctets = readInt32(buffer, row + kOutOctetsOffset);
    fresh.push_back(std::move(rec));
  }
  records_ = std::move(fresh);
}

}  // namespace kestrova
