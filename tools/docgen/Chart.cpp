#include "tools/docgen/Documents.h"

namespace docgen {
namespace {

constexpr double kPageWidth = 842;  // A4 landscape, points
constexpr double kPageHeight = 595;
constexpr double kMargin = 40;
constexpr double kUnit = 50;  // width of an ordinary key
constexpr double kKeyHeight = 50;
constexpr double kGap = 3;
constexpr uint16_t kRightAlt = 0xE038;

struct KeyPlace {
    uint16_t scan;  // E0xx for prefixed keys
    double width;   // in key units
};

// The main block of a 104-key keyboard, row by row, as the layout's scan codes place it.
const std::vector<std::vector<KeyPlace>>& KeyboardRows() {
    static const std::vector<std::vector<KeyPlace>> rows = {
        {{0x29, 1},
         {0x02, 1},
         {0x03, 1},
         {0x04, 1},
         {0x05, 1},
         {0x06, 1},
         {0x07, 1},
         {0x08, 1},
         {0x09, 1},
         {0x0A, 1},
         {0x0B, 1},
         {0x0C, 1},
         {0x0D, 1},
         {0x0E, 2}},
        {{0x0F, 1.5},
         {0x10, 1},
         {0x11, 1},
         {0x12, 1},
         {0x13, 1},
         {0x14, 1},
         {0x15, 1},
         {0x16, 1},
         {0x17, 1},
         {0x18, 1},
         {0x19, 1},
         {0x1A, 1},
         {0x1B, 1},
         {0x2B, 1.5}},
        {{0x3A, 1.75},
         {0x1E, 1},
         {0x1F, 1},
         {0x20, 1},
         {0x21, 1},
         {0x22, 1},
         {0x23, 1},
         {0x24, 1},
         {0x25, 1},
         {0x26, 1},
         {0x27, 1},
         {0x28, 1},
         {0x1C, 2.25}},
        {{0x2A, 2.25},
         {0x2C, 1},
         {0x2D, 1},
         {0x2E, 1},
         {0x2F, 1},
         {0x30, 1},
         {0x31, 1},
         {0x32, 1},
         {0x33, 1},
         {0x34, 1},
         {0x35, 1},
         {0x36, 2.75}},
        {{0x1D, 1.25},
         {0xE05B, 1.25},
         {0x38, 1.25},
         {0x39, 6.25},
         {kRightAlt, 1.25},
         {0xE05C, 1.25},
         {0xE05D, 1.25},
         {0xE01D, 1.25}},
    };
    return rows;
}

struct Ink {
    double r, g, b;
};
constexpr Ink kBlack{0, 0, 0};
constexpr Ink kAltGrInk{0.05, 0.25, 0.75};
constexpr Ink kDeadInk{0.8, 0.1, 0.1};
constexpr Ink kAddedInk{0.0, 0.5, 0.2};

class ChartPage {
public:
    ChartPage(Document& doc, const kbd::LayoutDefinition& layout, const kbd::LayoutDefinition* base)
        : doc_(doc), layout_(layout), base_(base) {}

    void Draw(const std::string& familyLine) {
        doc_.Colour(0, 0, 0);
        doc_.SetFont(Face::kBold, 20);
        doc_.Text(kMargin, kMargin + 12, "Tolvin \u2013 " + kbd::Utf16ToUtf8(layout_.label));
        doc_.SetFont(Face::kRegular, 11);
        doc_.Text(kMargin, kMargin + 32,
                  kbd::Utf16ToUtf8(layout_.title) + ". " + kbd::Utf16ToUtf8(layout_.summary));
        doc_.Text(kMargin, kMargin + 48, familyLine);
        double y = kMargin + 64;
        for (const auto& row : KeyboardRows()) {
            double x = kMargin;
            for (const KeyPlace& key : row) {
                DrawKey(key, x, y);
                x += key.width * kUnit;
            }
            y += kKeyHeight;
        }
        DrawLegend(y + 20);
    }

private:
    const kbd::KeyChars* CharsOf(const kbd::LayoutDefinition& layout, uint16_t scan) const {
        if (scan >= kbd::kScanCodeCount) {
            return nullptr;
        }
        return layout.FindMainKey(static_cast<uint8_t>(layout.scanToVk[scan] & 0xFF));
    }

    std::string KeyName(uint16_t scan) const {
        if (scan == kRightAlt) {
            return "AltGr";
        }
        const bool extended = scan > 0xFF;
        for (const kbd::KeyName& name : extended ? layout_.keyNamesExt : layout_.keyNames) {
            if (name.scan == (scan & 0xFF)) {
                return kbd::Utf16ToUtf8(name.text);
            }
        }
        return {};
    }

    Ink InkOf(const kbd::KeyChars& key, int column) const {
        if (key.chars[column] == kbd::kDeadChar) {
            return kDeadInk;
        }
        const kbd::KeyChars* original = base_ ? base_->FindMainKey(key.vk) : nullptr;
        if (base_ && (!original || original->chars[column] != key.chars[column])) {
            return kAddedInk;
        }
        return column >= kbd::kAltGr ? kAltGrInk : kBlack;
    }

    void Legend(const kbd::KeyChars& key, int column, double x, double y, bool rightAligned) {
        const uint16_t ch = key.chars[column];
        const std::string text = Printable(ch == kbd::kDeadChar ? key.dead[column] : ch);
        if (text.empty()) {
            return;
        }
        const Ink ink = InkOf(key, column);
        doc_.Colour(ink.r, ink.g, ink.b);
        doc_.SetFont(Face::kRegular, text.size() > 3 ? 7 : 13);
        doc_.Text(rightAligned ? x - doc_.TextWidth(text) : x, y, text);
    }

    void DrawKey(const KeyPlace& place, double x, double y) {
        const double w = place.width * kUnit - kGap;
        const double h = kKeyHeight - kGap;
        cairo_t* cr = doc_.Cairo();
        cairo_rectangle(cr, x, y, w, h);
        cairo_set_source_rgb(cr, 0.96, 0.96, 0.96);
        cairo_fill_preserve(cr);
        cairo_set_source_rgb(cr, 0.45, 0.45, 0.45);
        cairo_set_line_width(cr, 0.8);
        cairo_stroke(cr);

        const kbd::KeyChars* key = CharsOf(layout_, place.scan);
        const bool typesText =
            key && key->chars[kbd::kPlain] >= 0x21 && key->chars[kbd::kPlain] != kbd::kNoChar;
        if (!typesText) {
            std::string name = KeyName(place.scan);
            doc_.Colour(0.3, 0.3, 0.3);
            double size = 8;
            doc_.SetFont(Face::kRegular, size);
            while (size > 5 && doc_.TextWidth(name) > w - 6) {
                doc_.SetFont(Face::kRegular, size -= 0.5);
            }
            doc_.Text(x + 4, y + h - 6, name);
            if (key && place.scan == 0x39) {
                Legend(*key, kbd::kAltGr, x + w - 4, y + h - 6, true);
            }
            return;
        }
        // Letters show their capital only, as keycaps do; Shift+AltGr sits above AltGr.
        const bool letter = (key->attributes & kbd::kAttrCapsLock) != 0;
        Legend(*key, kbd::kShift, x + 5, y + 17, false);
        if (!letter) {
            Legend(*key, kbd::kPlain, x + 5, y + h - 7, false);
        }
        Legend(*key, kbd::kShiftAltGr, x + w - 5, y + 17, true);
        Legend(*key, kbd::kAltGr, x + w - 5, y + h - 7, true);
    }

    void DrawLegend(double y) {
        const double width = kPageWidth - 2 * kMargin;
        doc_.SetFont(Face::kRegular, 10);
        const struct {
            Ink ink;
            bool shown;
            const char* text;
        } lines[] = {
            {kBlack, true, "Black, left: the key alone (below) and with Shift (above)."},
            {kAltGrInk, true,
             "Blue, right: with AltGr, the right Alt key (below), and with Shift+AltGr (above). "
             "Ctrl+Alt works as AltGr."},
            {kDeadInk, !layout_.deadKeys.empty(),
             "Red: a dead key. Type it, then a letter: the letter gets the accent. Type it, then "
             "Space: the accent alone."},
            {kAddedInk, base_ != nullptr, "Green: added by the second library family."},
        };
        for (const auto& line : lines) {
            if (line.shown) {
                doc_.Colour(line.ink.r, line.ink.g, line.ink.b);
                y = doc_.Paragraph(kMargin, y, width, line.text, 13);
            }
        }
        doc_.Colour(0, 0, 0);
        for (const kbd::DeadKey& dead : layout_.deadKeys) {
            if (y > kPageHeight - kMargin) {
                doc_.NewPage();
                y = kMargin + 12;
            }
            std::string line = kbd::Utf16ToUtf8(dead.name) + " (" +
                               kbd::Utf16ToUtf8(std::u16string(1, dead.accent)) + "):";
            for (const auto& [base, composed] : dead.compositions) {
                if (base != u' ') {
                    line += "  " + Printable(base) + "\u2192" + Printable(composed);
                }
            }
            y = doc_.Paragraph(kMargin, y + 4, width, line, 13);
        }
    }

    Document& doc_;
    const kbd::LayoutDefinition& layout_;
    const kbd::LayoutDefinition* base_;
};

}  // namespace

std::string Printable(uint16_t ch) {
    if (ch == 0x00A0) {
        return "nbsp";
    }
    if (ch <= 0x20 || ch == 0x7F || ch == kbd::kNoChar || ch == kbd::kDeadChar) {
        return {};
    }
    return kbd::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(ch)));
}

bool WriteChart(const std::string& path, const Fonts& fonts, const LayoutFamilies& layouts,
                std::string& error) {
    Document doc;
    if (!doc.Open(path, fonts, kPageWidth, kPageHeight, "Tolvin keyboard layout chart")) {
        error = "cannot create " + path + " or load the fonts";
        return false;
    }
    for (size_t set = 0; set < layouts.first.size(); ++set) {
        if (set > 0) {
            doc.NewPage();
        }
        ChartPage(doc, layouts.first[set], nullptr).Draw("First library family.");
    }
    for (size_t set = 0; set < layouts.second.size(); ++set) {
        doc.NewPage();
        ChartPage(doc, layouts.second[set], &layouts.first[set])
            .Draw("Second library family: the same layout with more symbols on Shift+AltGr.");
    }
    return doc.Close(error);
}

}  // namespace docgen
