// Feeds the layout-image reader damaged images: a valid data-only image (the same structures a
// real layout carries) with bytes overwritten, inserted or cut off as the input says. The
// reader must answer or refuse without reading outside the bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/kbdcheck/LayoutCheck.h"
#include "tools/kbdcheck/PeImage.h"
#include "tools/kbdgen/DataOnlyImage.h"

namespace {

const std::vector<uint8_t>& ValidImage() {
    static const std::vector<uint8_t> image = [] {
        kbd::LayoutDefinition layout;
        layout.title = u"Fuzz";
        layout.label = u"F";
        layout.scanToVk[0x1E] = 'A';
        layout.e0.push_back({0x1D, 0x1A3});
        layout.e1.push_back({0x1D, 0x13});
        kbd::KeyChars a;
        a.vk = 'A';
        a.chars = {u'a', u'A', kbd::kNoChar, kbd::kDeadChar, kbd::kNoChar};
        a.dead[kbd::kAltGr] = u'´';
        layout.mainKeys.push_back(a);
        kbd::KeyChars decimal;
        decimal.vk = 0x6E;
        decimal.chars[0] = u'.';
        decimal.chars[1] = u'.';
        layout.numpadKeys.push_back(decimal);
        layout.keyNames.push_back({0x01, u"Esc"});
        layout.deadKeys.push_back({u'´', u"Acute", {{u'a', u'á'}}});
        return kbd::WriteDataOnlyImage(layout, {"kbdfuzz.dll", 1000, 5, 2});
    }();
    return image;
}

}  // namespace

// Input: a length byte pair (how much of the image to keep), then triples of a 16-bit offset
// and a byte to store there.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes = ValidImage();
    if (size >= 2) {
        const size_t keep = (static_cast<size_t>(data[0]) << 8 | data[1]) % (bytes.size() + 1);
        if (data[0] & 0x80) {
            bytes.resize(keep);
        }
        data += 2;
        size -= 2;
    }
    for (; size >= 3 && !bytes.empty(); data += 3, size -= 3) {
        const size_t at = (static_cast<size_t>(data[0]) << 8 | data[1]) % bytes.size();
        bytes[at] = data[2];
    }
    kbdcheck::PeImage image;
    std::string error;
    if (image.Parse(std::move(bytes), error)) {
        kbdcheck::TablePlaces places;
        kbdcheck::LocateTables(image, places, error);
        image.StringResource(1000);
        image.ExportModuleName();
        kbdcheck::LayoutPatterns patterns;
        patterns.scanToVk = {0xFF, 0x00};
        patterns.e0 = {0x1D, 0x00};
        patterns.e1 = {0x1D, 0x00, 0x13};
        patterns.decimal = {0x2E, 0x00};
        std::vector<std::string> problems;
        kbdcheck::CheckLayoutImage(image, {0x200, 5, 2, "kbdfuzz.dll", 1000}, patterns, problems);
    }
    return 0;
}
