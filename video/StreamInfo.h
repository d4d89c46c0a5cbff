#pragma once

#include "platform/VideoFile.h"

#include <cstdint>
#include <string>

namespace tonwerk::video {

// The video dialog's three lines of stream information (strings 3316–3318): the stream with its
// type and handler codes, start, length and duration; the position with its time and the frame's
// stored size; the frame format. Lines end in "\n\r" as the dialog's text box wants them.
[[nodiscard]] std::string streamInfoText(int streamNumber, const platform::VideoStreamInfo& stream,
                                         std::int64_t position, std::int64_t frameBytes);

} // namespace tonwerk::video
