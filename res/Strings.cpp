#include "Strings.h"

#include <algorithm>
#include <array>

namespace tonwerk::res {

namespace {

// Sorted by identifier; a test checks the order.
constexpr StringEntry kStrings[] = {
    {106, "%lu KB RAM free"},
    {129, "%lu KB Free on %c:"},
    {134, "Unavailable"},
    {164, "Property Sheet"},
    {3000, "ORVAN Tonwerk"},
    {3004, "Notice"},
    {3005, "Warning"},
    {3006, "Error"},
    {3007, "FATAL ERROR"},
    {3008, "Please Confirm"},
    {3009, "Unknown Error."},
    {3150, "<YXCVBNM,.-"},
    {3151, "\\ZXCVBNM,./"},
    {3201, "MIDI-note: %s%d"},
    {3202, "Tonwerk is playing a song"},
    {3203, "Tonwerk is recording a song"},
    {3220, "Search File : %s"},
    {3300, "free HW-memory: %d KB, free HW-buffer: %d KB"},
    {3301, "frequency at rootnote: %liHz"},
    {3302, "volume: %ld"},
    {3303, "panorama: %ld"},
    {3304, "duration: %.2f sec."},
    {3305, "position: %.2f sec."},
    {3306, "lost"},
    {3307, "stopped"},
    {3308, "is playing"},
    {3309, "rootnote:"},
    {3310, "Sample can be played from PC Keyboard"},
    {3312, "no sample or AVI file loaded"},
    {3316, "Stream-No.: %d [%4.4hs/%4.4hs] Start: %ld Length: %ld (%ld.%03ld s)\n\r"},
    {3317, "Position: %ld\t Time: %ld.%03ld s\t Size: %ld Byte\n\r"},
    {3318, "Stream-Format:\t %dx%dx%d (%4.4hs)"},
    {3319, "no AVI file loaded"},
    {3320, "No AVI file loaded, all settings are lost."},
    {3321, "AVI in split was removed!"},
    {3322, "Sample in split was removed!"},
    {8200, "Video Dialog"},
    {8211, "Open Sample File"},
    {8212, "WAVE Audio Files (*.WAV)"},
    {8213, "*.WAV"},
    {8214, "All Files (*.*)"},
    {8215, "*.*"},
    {8221, "AVI Video Files (*.AVI)"},
    {8222, "*.AVI"},
    {8226, "Open Video File"},
    {8229, "Could not create a Directsound object: Either the required device is busy, or the DirectSound subsystem is "
           "not properly installed."},
    {8231, "The selected Wave file is not a PCM encoded file and cannot be opened by this application."},
    {8243, "Error while loading file !"},
    {8247, "Cannot read file. File has wrong format or is damaged."},
    {8248, "Not enough memory to open file."},
    {8249, "Disc-error while reading file."},
    {8250, "Disc-error while opening file."},
    {8251, "Buffersize smaller then one data-sample."},
    {8252, "No handle to open file."},
    {8253, "Maximum number of Avi-Streams."},
    {8254, "Error while deleting DrawDib DC and its resources."},
    {8255, "Error while painting DIB from AVI-Stream."},
    {8256, "No AVI-stream in file."},
    {8260, "There is no priority-level!"},
    {8261, "Unknown DirectSound-error!"},
    {8262, "Resources already used by another call!"},
    {8263, "Object doesn't support the operation!"},
    {8264, "No sound-driver available!"},
    {8265, "Buffer-memory lost!"},
    {8266, "Control unavailable !"},
    {8269, "Calling the primary DirectSound-driver failed. \n Please check your system for a correctly installed "
           "sound-device."},
    {8270, "Unknown waveformat or file to large for memory!"},
    {8271, "Determining the size of waveformat-structure failed!"},
    {8272, "Cannot allocate enough memory for the list!"},
    {8273, "Invalid Parameter inside the callbackfunction."},
    {8274, "Unsupported Wave-Format."},
    {8275, "The buffer isn't a secundary buffer!"},
    {8276, "Cannot allocate enough memory!"},
    {8279, "Determining DirectSound-driver in system failed!"},
    {8280, "File is protected and cannot open!"},
    {8281, "Not enough memory!"},
    {8282, "File is corrupted!"},
    {8283, "Network doesn't response to open-command for the Remote-File!"},
    {8284, "Directory doesn't exist!"},
    {8285, "File used by another application and is not available!"},
    {8286, "Too many files opened. Close all applications not needed!"},
    {8287, "Buffer memory cannot saved."},
    {8288, "Reaching end-of-file, before getting Chunk."},
    {8289, "Unknown wavefile-open error!"},
    {8290, "Unbuffered!"},
    {8291, "File cannot expand!"},
    {8292, "File cannot seek!"},
    {8293, "File cannot read!"},
    {8294, "File cannot close!"},
    {8295, "File cannot open!"},
    {8296, "File not found!"},
    {8305, "Selection error!"},
    {8310, "Not enough memory for DIB-header!"},
    {8311, "Not enough memory for DIB-bits!"},
    {8312, "Error while reading backgroundbitmap-header!"},
    {8313, "No bitmap-file!"},
    {8314, "Error while reading BITMAPINFOHEADER!"},
    {8315, "No Windows or PM DIB-format!"},
    {8316, "Error while reading BITMAPCOREHEADER!"},
    {8317, "Error while reading DIB-colortable!"},
    {8318, "Error while reading RGBTRIPLE!"},
    {8319, "Error while reading bitmap-bits!"},
    {8320, "No colortable!"},
    {8321, "Not enough memory for logical palette!"},
    {8323, "Timer could not created!"},
    {8324, "Graphic-window wasn't ended correctly!"},
    {8326, "No DirectSound-object available!"},
    {17000, "ready"},
    {17001, "dragging file"},
    {17002, "found a droppable target"},
    {59158, "%u Hz, %u bit, Stereo"},
    {59159, "%u Hz, %u bit, Mono"},
    {59160, "Buffer Type: Hardware"},
    {59161, "Buffer Type: Software"},
    {59162, "no DirectSound-buffer"},
};

} // namespace

const StringEntry* stringTableBegin() { return std::begin(kStrings); }
const StringEntry* stringTableEnd() { return std::end(kStrings); }

namespace {

const StringEntry* find(int id) {
    const auto* it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                                      [](const StringEntry& e, int key) { return e.id < key; });
    return (it != std::end(kStrings) && it->id == id) ? it : nullptr;
}

} // namespace

std::string_view loadString(int id) {
    const StringEntry* e = find(id);
    return e != nullptr ? e->text : std::string_view{};
}

bool hasString(int id) { return find(id) != nullptr; }

} // namespace tonwerk::res
