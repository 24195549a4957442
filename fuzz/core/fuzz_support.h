// Shared by the fuzz targets of the core's file formats: large images steered by short inputs,
// and what every loaded record must encode to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/config/device_config.h"
#include "require.h"

namespace qx4::fuzz {

// An image built on `base`, so that a short input reaches every field of a large record:
//   byte 0       bit 0 set: the image is the rest of the input as it stands (a file of any size).
//                Else bit 1 cuts the image to bytes 1-2 (little-endian) modulo its size, or
//                bit 2 makes it longer by bytes 1-2 modulo 512. Bits 4-7 are the target's own.
//   bytes 3...   edits: a 3-byte offset (little-endian, modulo the image size), a count, and
//                that many bytes written from there on, cut at the image's end.
// The image goes into `image`, whose storage is reused from run to run.
struct SteeredImage {
    std::uint8_t flags = 0;
    std::vector<std::byte> bytes;
};
void steerImage(std::span<const std::uint8_t> input, std::span<const std::byte> base, SteeredImage& image);

// Plans a full download of the record and checks each report against the documented lengths,
// the command byte and length byte at its head, and macro slots numbered 1, 2, 3 ... in order.
void requireDocumentedReports(const DeviceConfig& config);

}  // namespace qx4::fuzz
