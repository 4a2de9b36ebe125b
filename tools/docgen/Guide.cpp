#include <algorithm>

#include "tools/docgen/Documents.h"

namespace docgen {
namespace {

constexpr double kPageWidth = 595;  // A4 portrait, points
constexpr double kPageHeight = 842;
constexpr double kMargin = 60;
constexpr double kBodySize = 11;
constexpr double kLine = 15;

class GuideWriter {
public:
    GuideWriter(Document& doc, const LayoutFamilies& layouts) : doc_(doc), layouts_(layouts) {}

    void Write() {
        doc_.SetFont(Face::kBold, 22);
        doc_.Text(kMargin, y_, "Tolvin keyboard layout");
        y_ += 24;
        doc_.SetFont(Face::kRegular, 13);
        doc_.Text(kMargin, y_, "User guide");
        y_ += 30;

        Body(
            "Tolvin is a keyboard layout for people who write Polish and write code. Its base is "
            "the US QWERTY arrangement, so every programming symbol stays where programmers "
            "expect it, and the Polish letters sit on AltGr, the right Alt key: "
            "ą ć ę ł ń ó ś ź ż, and their capitals Ą Ć Ę Ł Ń Ó Ś Ź Ż with Shift. Its language "
            "is Polish: in Windows it appears as a keyboard of the Polish input language.");

        Heading("Installing");
        Body(
            "Run setup.exe as an administrator. Read and accept the licence, then choose on the "
            "setup page: the input language the layout belongs to and whether it becomes your "
            "default, the layout set, the character of the numeric keypad's decimal key (full "
            "stop or comma), the library family, the desktop shortcuts and whether to turn off "
            "the key combinations that switch input languages by accident. Optionally give "
            "single keys another meaning on the key pages. Then choose Install.");
        Body(
            "Windows takes the new layout library into its system folder when it restarts, so "
            "restart when setup offers it. After the restart, add Tolvin to your input "
            "languages if setup could not do it for you: Settings, Time & Language, Language, "
            "Polish, Options, Add a keyboard (on older Windows: Control Panel, Regional and "
            "Language Options, Keyboards and Languages).");

        Heading("Switching between keyboards");
        Body(
            "Windows 8 and later: press Windows key+Space, or click the language abbreviation "
            "on the taskbar. Every Windows version: Alt+Shift (left Alt) steps through the "
            "input languages, and Ctrl+Shift through the keyboards of one language, unless "
            "setup turned these combinations off at your request; the language bar shows "
            "which keyboard is active.");

        Heading("Typing Polish letters");
        Body(
            "Hold AltGr (the right Alt key) and press the letter's base key; add Shift for the "
            "capital. Ctrl+Alt works as AltGr. Caps Lock gives capitals here too.");
        LetterTable();
        Body(
            "A test sentence that uses all nine: Zażółć gęślą jaźń. "
            "Pchnąć w tę łódź jeża lub ośm skrzyń fig.");

        Heading("The layout sets");
        for (const kbd::LayoutDefinition& layout : layouts_.first) {
            Body(kbd::Utf16ToUtf8(layout.label) + " (" + kbd::Utf16ToUtf8(layout.title) +
                 "): " + kbd::Utf16ToUtf8(layout.summary));
        }
        Body(
            "The second library family is each of these with more symbols on Shift+AltGr, "
            "such as " +
            AddedSymbols() +
            ". The printable chart shows every set of both "
            "families key by key.");

        Heading("Changing or removing Tolvin");
        Body(
            "Run setup again from the Start menu shortcut it created, or from Programs and "
            "Features. To change options, go through the pages again and choose Install; to "
            "remove the layout, choose Remove on the first page. Restart Windows afterwards: "
            "the layout library is removed from the system folder during the restart.");
    }

private:
    void Heading(const std::string& text) {
        Room(3 * kLine);
        y_ += 8;
        doc_.SetFont(Face::kBold, 14);
        doc_.Text(kMargin, y_, text);
        y_ += kLine + 4;
    }

    void Body(const std::string& text) {
        doc_.SetFont(Face::kRegular, kBodySize);
        Room(2 * kLine);
        y_ = doc_.Paragraph(kMargin, y_, kPageWidth - 2 * kMargin, text, kLine) + 6;
    }

    void Room(double needed) {
        if (y_ + needed > kPageHeight - kMargin) {
            doc_.NewPage();
            y_ = kMargin;
        }
    }

    // AltGr+<key> and Shift+AltGr+<key> for every letter key the standard set gives an AltGr
    // character, in alphabetical order, two to a line.
    void LetterTable() {
        std::vector<const kbd::KeyChars*> keys;
        for (const kbd::KeyChars& key : layouts_.first.front().mainKeys) {
            if (key.vk >= 'A' && key.vk <= 'Z' && !Printable(key.chars[kbd::kAltGr]).empty()) {
                keys.push_back(&key);
            }
        }
        std::sort(keys.begin(), keys.end(),
                  [](const kbd::KeyChars* a, const kbd::KeyChars* b) { return a->vk < b->vk; });
        const double column = (kPageWidth - 2 * kMargin) / 2;
        doc_.SetFont(Face::kMono, 10);
        for (size_t i = 0; i < keys.size(); ++i) {
            if (i % 2 == 0) {
                Room(kLine);
                doc_.SetFont(Face::kMono, 10);
            }
            const std::string keyName(1, static_cast<char>(keys[i]->vk));
            std::string text = "AltGr+" + keyName + "  " + Printable(keys[i]->chars[kbd::kAltGr]);
            const std::string capital = Printable(keys[i]->chars[kbd::kShiftAltGr]);
            if (!capital.empty()) {
                text += "    Shift+AltGr+" + keyName + "  " + capital;
            }
            doc_.Text(kMargin + static_cast<double>(i % 2) * column, y_, text);
            if (i % 2 == 1 || i + 1 == keys.size()) {
                y_ += kLine;
            }
        }
        y_ += 8;
    }

    std::string AddedSymbols() const {
        std::string symbols;
        int count = 0;
        const kbd::LayoutDefinition& first = layouts_.first.front();
        for (const kbd::KeyChars& key : layouts_.second.front().mainKeys) {
            const kbd::KeyChars* original = first.FindMainKey(key.vk);
            const uint16_t added = key.chars[kbd::kShiftAltGr];
            if (count < 6 && original && original->chars[kbd::kShiftAltGr] != added) {
                if (count++ > 0) {
                    symbols += ' ';
                }
                symbols += Printable(added);
            }
        }
        return symbols;
    }

    Document& doc_;
    const LayoutFamilies& layouts_;
    double y_ = kMargin + 10;
};

}  // namespace

bool WriteGuide(const std::string& path, const Fonts& fonts, const LayoutFamilies& layouts,
                std::string& error) {
    Document doc;
    if (layouts.first.empty() || layouts.second.empty()) {
        error = "no layout sets";
        return false;
    }
    if (!doc.Open(path, fonts, kPageWidth, kPageHeight, "Tolvin keyboard layout: user guide")) {
        error = "cannot create " + path + " or load the fonts";
        return false;
    }
    GuideWriter(doc, layouts).Write();
    return doc.Close(error);
}

}  // namespace docgen
