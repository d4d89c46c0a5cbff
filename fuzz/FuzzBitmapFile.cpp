// Background bitmap files from hostile bytes: the reader never reads outside the buffer, and a
// picture it accepts has a colour table that fits.
#include "core/Notifier.h"
#include "video/CDIB.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {
class Silent final : public tonwerk::core::Notifier {
public:
    tonwerk::core::MessageAnswer notify(const tonwerk::core::MessageRequest&) override {
        return tonwerk::core::MessageAnswer::Ok;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Silent silent;
    tonwerk::video::CDIB dib;
    if (dib.readFromBytes(std::span(data, size), silent)) {
        if (dib.numberOfColours() > 256) {
            std::abort();
        }
        std::vector<tonwerk::video::CDIB::PaletteEntry> palette;
        dib.createPalette(palette, silent);
    }
    return 0;
}
