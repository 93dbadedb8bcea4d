// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/ReadingRecord.h"

#include <bit>

namespace corvalin {

namespace {

template <class Bits>
void Put(uint8_t* out, Bits bits) {
    for (size_t i = 0; i < sizeof(Bits); ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

template <class Bits>
Bits Get(const uint8_t* in) {
    Bits bits = 0;
    for (size_t i = 0; i < sizeof(Bits); ++i) bits |= static_cast<Bits>(in[i]) << (8 * i);
    return bits;
}

}  // namespace

void EncodeReadingRecord(const ReadingRecord& record, uint8_t* out) {
    Put(out, std::bit_cast<uint64_t>(record.time));
    Put(out + 8, std::bit_cast<uint32_t>(record.temperature));
    Put(out + 12, static_cast<uint32_t>(record.humidity));
    Put(out + 16, std::bit_cast<uint32_t>(record.dewpoint));
    Put(out + 20, std::bit_cast<uint32_t>(record.heatindex));
}

ReadingRecord DecodeReadingRecord(const uint8_t* in) {
    ReadingRecord record;
    record.time = std::bit_cast<double>(Get<uint64_t>(in));
    record.temperature = std::bit_cast<float>(Get<uint32_t>(in + 8));
    record.humidity = static_cast<int32_t>(Get<uint32_t>(in + 12));
    record.dewpoint = std::bit_cast<float>(Get<uint32_t>(in + 16));
    record.heatindex = std::bit_cast<float>(Get<uint32_t>(in + 20));
    return record;
}

}  // namespace corvalin
