// Setup and bank files come from years of gigs and from anywhere. Reading any bytes must stay inside
// the buffer and the records, and what was read must save and read back the same.
#include "setups/SetupFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto bytes = std::span(reinterpret_cast<const std::byte*>(data), size);
    const auto read = tonwerk::setups::readSetupBytes(bytes);
    if (!read.contents || read.contents->setups.empty()) {
        return 0;
    }
    const tonwerk::midi::Setup& first = read.contents->setups.front();
    const std::string saved = tonwerk::setups::setupFileBytes(first);
    const auto again =
        tonwerk::setups::readSetupBytes(std::span(reinterpret_cast<const std::byte*>(saved.data()), saved.size()));
    if (!again.contents || again.contents->setups.size() != 1 ||
        std::memcmp(&again.contents->setups[0].splits, &first.splits, sizeof first.splits) != 0) {
        std::abort();
    }
    return 0;
}
