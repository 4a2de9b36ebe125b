#include "text/GString.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "text/DebugSink.h"
#include "text/RawText.h"
#include "text/UpperCase.h"
#include "text/Utf8Codec.h"

namespace {

constexpr char16_t kEmptyWide[1] = {0};
constexpr char kEmptyNarrow[1] = {0};

// The largest block whose size still fits the signed 32-bit capacity, in whole 64-byte steps.
constexpr std::int64_t kMaxBlockBytes = 0x7FFFFFC0;

int LengthOf(const char16_t* text) {
    return WideTextLength(text);
}
int LengthOf(const char* text) {
    return TextLength(text);
}

// -1 reads up to the zero unit; any other negative length, like a null text, is empty.
template <typename Unit>
int ResolvedLength(const Unit* text, int length) {
    if (text == nullptr || length < -1) {
        return 0;
    }
    return length == -1 ? LengthOf(text) : length;
}

template <typename Unit>
constexpr bool kIsWideUnit = std::is_same_v<Unit, char16_t>;

}  // namespace

GString::GString() = default;

GString::GString(char16_t unit, int count) : m_wide(true) {
    AppendChar(unit, count);
}

GString::~GString() {
    delete[] m_block;
}

int GString::GetLength() const {
    return m_length;
}

bool GString::IsWide() const {
    return m_wide;
}

const char16_t* GString::GetWideText(int index) const {
    if (!m_wide || m_length == 0 || index < 0) {
        return kEmptyWide;
    }
    return WideText() + std::min(index, m_length);
}

const char* GString::GetNarrowText(int index) const {
    if (m_wide || m_length == 0 || index < 0) {
        return kEmptyNarrow;
    }
    return NarrowText() + std::min(index, m_length);
}

int GString::GetCapacity() const {
    return m_capacity;
}

int GString::GetStart() const {
    return m_start;
}

int GString::GetRoom() const {
    if (m_block == nullptr) {
        return 0;
    }
    // A shift, not a division: this runs on every append.
    return std::max(((m_capacity - kReservedBytes) >> (m_wide ? 1 : 0)) - 1 - m_start, 0);
}

// ---- storage ----

char16_t* GString::WideText() const {
    return m_block + kReservedBytes / 2 + m_start;
}

char* GString::NarrowText() const {
    return reinterpret_cast<char*>(m_block) + kReservedBytes + m_start;
}

bool GString::Holds(const void* address) const {
    const auto a = reinterpret_cast<std::uintptr_t>(address);
    const auto begin = reinterpret_cast<std::uintptr_t>(m_block);
    return m_block != nullptr && a >= begin && a < begin + static_cast<std::uintptr_t>(m_capacity);
}

void GString::WriteTerminator() {
    if (m_block == nullptr) {
        return;
    }
    if (m_wide) {
        WideText()[m_length] = 0;
    } else {
        NarrowText()[m_length] = 0;
    }
}

// Only for an empty string: offsets count units of the form, so start must be 0 to switch.
void GString::SetEmptyForm(bool wide) {
    m_wide = wide;
    m_start = 0;
    WriteTerminator();
}

void GString::Compact() {
    if (m_block == nullptr || m_start == 0) {
        return;
    }
    const int unit = UnitSize();
    char* area = reinterpret_cast<char*>(m_block) + kReservedBytes;
    std::memmove(area, area + static_cast<std::size_t>(m_start) * unit,
                 static_cast<std::size_t>(m_length + 1) * unit);
    m_start = 0;
}

bool GString::Reserve(std::int64_t total) {
    if (total < 0) {
        return true;
    }
    if (total <= m_length) {
        Compact();
        return true;
    }
    const int unit = UnitSize();
    const std::int64_t maxUnits = (kMaxBlockBytes - kReservedBytes) / unit - 1;
    if (total > maxUnits) {
        return false;
    }
    // At least 1.5 times the current length, so that appending stays amortised constant time.
    const std::int64_t target =
        std::min(std::max<std::int64_t>(total, m_length + m_length / 2), maxUnits);
    const std::int64_t bytes = (target + 1) * unit + kReservedBytes;
    if (bytes <= m_capacity) {
        if (target > GetRoom()) {
            Compact();
        }
        return true;
    }
    const std::int64_t blockBytes = (bytes + kGranularity - 1) / kGranularity * kGranularity;
    auto* block = new char16_t[static_cast<std::size_t>(blockBytes / 2)];
    if (m_length > 0) {
        std::memcpy(reinterpret_cast<char*>(block) + kReservedBytes,
                    reinterpret_cast<const char*>(m_block) + kReservedBytes +
                        static_cast<std::size_t>(m_start) * unit,
                    static_cast<std::size_t>(m_length) * unit);
    }
    delete[] m_block;
    m_block = block;
    m_start = 0;
    m_capacity = static_cast<int>(blockBytes);
    WriteTerminator();
    return true;
}

bool GString::EnsureRoom(std::int64_t count) {
    if (count <= 0 || GetRoom() - m_length >= count) {
        return true;
    }
    return Reserve(m_length + count);
}

void GString::SwapStorage(GString& other) {
    std::swap(m_block, other.m_block);
    std::swap(m_length, other.m_length);
    std::swap(m_start, other.m_start);
    std::swap(m_capacity, other.m_capacity);
    std::swap(m_wide, other.m_wide);
}

GString& GString::Scratch() const {
    if (!m_scratch) {
        m_scratch = std::make_unique<GString>();
    }
    return *m_scratch;
}

// ---- form ----

const char16_t* GString::MakeWide() {
    if (!m_wide) {
        if (m_length == 0) {
            SetEmptyForm(true);
        } else {
            GString& converted = Scratch();
            converted.Empty();
            converted.SetEmptyForm(true);
            if (!converted.AppendDecoded(NarrowText(), m_length)) {
                return nullptr;
            }
            // The old block becomes the scratch block, ready for the next conversion.
            SwapStorage(converted);
        }
    }
    return GetWideText(0);
}

const char* GString::MakeNarrow() {
    if (m_wide) {
        if (m_length == 0) {
            SetEmptyForm(false);
        } else {
            GString& converted = Scratch();
            converted.Empty();
            converted.SetEmptyForm(false);
            if (!converted.AppendEncoded(WideText(), m_length)) {
                return nullptr;
            }
            SwapStorage(converted);
        }
    }
    return GetNarrowText(0);
}

// ---- length ----

void GString::Empty() {
    m_length = 0;
    m_start = 0;
    WriteTerminator();
}

bool GString::SetLength(int n) {
    if (m_block == nullptr) {
        return false;
    }
    const int room = GetRoom();
    if (n < 0) {
        // The terminator's own slot is part of the block too: a text that fills the whole room
        // ends with its zero there.
        constexpr char16_t zero = 0;
        const int found = m_wide ? FindUnits(WideText(), &zero, room + 1, 1, 0)
                                 : FindBytes(NarrowText(), &zero, room + 1, 1, 0);
        m_length = std::max(found, 0);
    } else {
        m_length = std::min(n, room);
    }
    if (m_length == 0) {
        m_start = 0;
    }
    WriteTerminator();
    return true;
}

char16_t* GString::GetAppendBuffer(int n) {
    if (MakeWide() == nullptr || !EnsureRoom(std::max(n, 0)) ||
        (m_block == nullptr && !Reserve(1))) {
        return nullptr;
    }
    return WideText() + m_length;
}

// ---- assigning ----

template <typename Unit>
bool GString::AssignInForm(bool wide, const Unit* text, int length) {
    const int count = ResolvedLength(text, length);
    if (Holds(text)) {
        // Emptying would overwrite the source.
        const std::basic_string<Unit> copy(text, static_cast<std::size_t>(count));
        return AssignInForm(wide, copy.data(), count);
    }
    Empty();
    SetEmptyForm(wide);
    return AppendText(text, count);
}

bool GString::AssignWide(const char16_t* text, int length) {
    return AssignInForm(true, text, length);
}

bool GString::AssignNarrow(const char* text, int length) {
    return AssignInForm(false, text, length);
}

bool GString::Assign(const GString& other) {
    if (&other == this) {
        return true;
    }
    return other.m_wide ? AssignWide(other.GetWideText(), other.m_length)
                        : AssignNarrow(other.GetNarrowText(), other.m_length);
}

bool GString::AssignCounted(const void* counted) {
    if (counted == nullptr) {
        Empty();
        return false;
    }
    std::uint32_t header = 0;
    std::memcpy(&header, counted, sizeof header);
    const int length = static_cast<int>(header & 0x1FFFFFFFu);
    const void* text = static_cast<const char*>(counted) + sizeof header;
    if ((header & 0x80000000u) != 0) {
        return AssignNarrow(static_cast<const char*>(text), length);
    }
    return AssignWide(static_cast<const char16_t*>(text), length);
}

// ---- appending ----

bool GString::CatUnits(const char16_t* text, int count) {
    if (text == nullptr || count <= 0) {
        return true;
    }
    if (Holds(text)) {
        // Growing may release the block the text lives in.
        const std::u16string copy(text, static_cast<std::size_t>(count));
        return CatUnits(copy.data(), count);
    }
    if (!EnsureRoom(count)) {
        return false;
    }
    std::memcpy(WideText() + m_length, text, static_cast<std::size_t>(count) * 2);
    m_length += count;
    WriteTerminator();
    return true;
}

bool GString::CatBytes(const char* text, int count) {
    if (text == nullptr || count <= 0) {
        return true;
    }
    if (Holds(text)) {
        const std::string copy(text, static_cast<std::size_t>(count));
        return CatBytes(copy.data(), count);
    }
    if (!EnsureRoom(count)) {
        return false;
    }
    std::memcpy(NarrowText() + m_length, text, static_cast<std::size_t>(count));
    m_length += count;
    WriteTerminator();
    return true;
}

bool GString::AppendEncoded(const char16_t* text, int count) {
    if (text == nullptr || count <= 0) {
        return true;
    }
    if (Holds(text)) {
        const std::u16string copy(text, static_cast<std::size_t>(count));
        return AppendEncoded(copy.data(), count);
    }
    const int size = Utf8SizeOfWide(text, count, 0);
    if (size < 0 || !EnsureRoom(size)) {
        return false;
    }
    m_length += EncodeUtf8(text, count, NarrowText() + m_length);
    WriteTerminator();
    return true;
}

bool GString::AppendDecoded(const char* text, int count) {
    if (text == nullptr || count <= 0) {
        return true;
    }
    if (Holds(text)) {
        const std::string copy(text, static_cast<std::size_t>(count));
        return AppendDecoded(copy.data(), count);
    }
    if (!EnsureRoom(WideSizeOfUtf8(text, count, 0))) {
        return false;
    }
    const int written = DecodeUtf8(text, count, WideText() + m_length);
    if (written >= 0) {
        m_length += written;
    }
    // Also restores the terminator that a failed decoding may have overwritten.
    WriteTerminator();
    return written >= 0;
}

bool GString::AppendText(const char16_t* text, int count) {
    return m_wide ? CatUnits(text, count) : AppendEncoded(text, count);
}

bool GString::AppendText(const char* text, int count) {
    return m_wide ? AppendDecoded(text, count) : CatBytes(text, count);
}

bool GString::CatWide(const char16_t* text, int length) {
    return m_wide && CatUnits(text, ResolvedLength(text, length));
}

bool GString::CatNarrow(const char* text, int length) {
    return !m_wide && CatBytes(text, ResolvedLength(text, length));
}

bool GString::AppendWide(const char16_t* text, int length) {
    return AppendText(text, ResolvedLength(text, length));
}

bool GString::AppendNarrow(const char* text, int length) {
    return AppendText(text, ResolvedLength(text, length));
}

bool GString::Append(const GString& other) {
    return other.m_wide ? AppendText(other.GetWideText(), other.m_length)
                        : AppendText(other.GetNarrowText(), other.m_length);
}

bool GString::AppendRepeated(char16_t unit, int count) {
    if (unit == 0 || count <= 0) {
        return true;
    }
    if (!EnsureRoom(count)) {
        return false;
    }
    if (m_wide) {
        std::fill_n(WideText() + m_length, count, unit);
    } else {
        std::fill_n(NarrowText() + m_length, count, static_cast<char>(unit));
    }
    m_length += count;
    WriteTerminator();
    return true;
}

// Only what is one code unit in both forms crosses between them unchanged: ASCII.
bool GString::AppendChar(char16_t unit, int count) {
    if (!m_wide && unit >= 0x80 && count > 0) {
        return false;
    }
    return AppendRepeated(unit, count);
}

bool GString::AppendByte(unsigned char byte, int count) {
    if (m_wide && byte >= 0x80 && count > 0) {
        return false;
    }
    return AppendRepeated(byte, count);
}

bool GString::AppendNewLine() {
    return m_wide ? CatUnits(u"\r\n", 2) : CatBytes("\r\n", 2);
}

bool GString::EndsWith(const GString& suffix) const {
    if (suffix.m_length > m_length) {
        return false;
    }
    if (suffix.m_length == 0) {
        return true;
    }
    const int unit = UnitSize();
    const char* tail = reinterpret_cast<const char*>(m_block) + kReservedBytes +
                       static_cast<std::size_t>(m_start + m_length - suffix.m_length) * unit;
    const char* text = reinterpret_cast<const char*>(suffix.m_block) + kReservedBytes +
                       static_cast<std::size_t>(suffix.m_start) * unit;
    return std::memcmp(tail, text, static_cast<std::size_t>(suffix.m_length) * unit) == 0;
}

template <typename Unit>
bool GString::EnsureSuffixOf(const Unit* text, int length) {
    const int count = ResolvedLength(text, length);
    if (count == 0) {
        return false;
    }
    GString& suffix = Scratch();
    if (!suffix.AssignInForm(m_wide, text, count)) {
        return false;
    }
    return EndsWith(suffix) || Append(suffix);
}

bool GString::EnsureSuffix(const char16_t* text, int length) {
    return EnsureSuffixOf(text, length);
}

bool GString::EnsureSuffix(const char* text, int length) {
    return EnsureSuffixOf(text, length);
}

template <typename Unit>
bool GString::AppendPathOf(const Unit* component, int length) {
    int count = ResolvedLength(component, length);
    if (count == 0) {
        EnsureSuffixOf(u"\\", 1);
        return true;
    }
    if (component[0] == Unit('\\') || component[0] == Unit('/')) {
        ++component;
        --count;
    }
    // Converted before anything is appended, so that a component that cannot be converted
    // leaves the path as it was.
    GString& rest = Scratch();
    if (!rest.AssignInForm(m_wide, component, count)) {
        return false;
    }
    const bool endsWithSeparator =
        m_length > 0 && (m_wide ? WideText()[m_length - 1] : NarrowText()[m_length - 1]) == '\\';
    if (!endsWithSeparator) {
        AppendChar(u'\\');
    }
    Append(rest);
    return true;
}

bool GString::AppendPath(const char16_t* component, int length) {
    return AppendPathOf(component, length);
}

bool GString::AppendPath(const char* component, int length) {
    return AppendPathOf(component, length);
}

bool GString::AppendPath(const GString& component) {
    return component.m_wide ? AppendPathOf(component.GetWideText(), component.m_length)
                            : AppendPathOf(component.GetNarrowText(), component.m_length);
}

// ---- editing ----

bool GString::TrimLeft(int n) {
    if (n <= 0) {
        return false;
    }
    const int dropped = std::min(n, m_length);
    m_start += dropped;
    m_length -= dropped;
    if (m_length == 0) {
        m_start = 0;
        WriteTerminator();
    }
    return true;
}

bool GString::MakeUpper() {
    if (m_length == 0) {
        return true;
    }
    const bool wasNarrow = !m_wide;
    if (MakeWide() == nullptr) {
        return false;
    }
    char16_t* text = WideText();
    for (int i = 0; i < m_length; ++i) {
        text[i] = UpperCaseUnit(text[i]);
    }
    return !wasNarrow || MakeNarrow() != nullptr;
}

// ---- searching and comparing ----

int GString::FindSameForm(const GString& needle, int first) const {
    return m_wide
               ? FindUnits(WideText(), needle.GetWideText(), m_length, needle.m_length, first)
               : FindBytes(NarrowText(), needle.GetNarrowText(), m_length, needle.m_length, first);
}

template <typename Unit>
int GString::FindOf(const Unit* needle, int first, int length) const {
    const int count = ResolvedLength(needle, length);
    if (needle == nullptr || count == 0 || first < 0 || first >= m_length) {
        return -1;
    }
    if constexpr (kIsWideUnit<Unit>) {
        if (m_wide) {
            return FindUnits(WideText(), needle, m_length, count, first);
        }
    } else if (!m_wide) {
        return FindBytes(NarrowText(), needle, m_length, count, first);
    }
    GString& converted = Scratch();
    if (!converted.AssignInForm(m_wide, needle, count)) {
        return -1;
    }
    return FindSameForm(converted, first);
}

int GString::Find(const char16_t* needle, int first, int length) const {
    return FindOf(needle, first, length);
}

int GString::Find(const char* needle, int first, int length) const {
    return FindOf(needle, first, length);
}

int GString::Find(const GString& needle, int first) const {
    return needle.m_wide ? FindOf(needle.GetWideText(), first, needle.m_length)
                         : FindOf(needle.GetNarrowText(), first, needle.m_length);
}

int GString::ReverseFind(char16_t unit, int lowest) const {
    if (m_wide) {
        return FindLastUnit(GetWideText(), unit, m_length, lowest);
    }
    if (unit < 0x80) {
        return FindLastByte(GetNarrowText(), static_cast<char>(unit), m_length, lowest);
    }
    char sequence[3];
    const int size = EncodeUtf8Unit(unit, sequence);
    return FindLastBytes(GetNarrowText(), sequence, m_length, size, lowest);
}

int GString::CompareSameForm(const void* text, int length) const {
    return m_wide ? CompareUnits(WideText(), static_cast<const char16_t*>(text), m_length, length)
                  : CompareBytes(NarrowText(), text, m_length, length);
}

template <typename Unit>
int GString::CompareOf(const Unit* text, int length) const {
    const int count = ResolvedLength(text, length);
    if (m_length == 0) {
        return count == 0 ? 0 : -1;
    }
    if (count == 0) {
        return 1;
    }
    if (kIsWideUnit<Unit> == m_wide) {
        return CompareSameForm(text, count);
    }
    GString& converted = Scratch();
    if (!converted.AssignInForm(m_wide, text, count)) {
        // A text that cannot be decoded equals no string; it orders before all of them.
        return 1;
    }
    return CompareSameForm(m_wide ? static_cast<const void*>(converted.GetWideText())
                                  : static_cast<const void*>(converted.GetNarrowText()),
                           converted.m_length);
}

int GString::Compare(const char16_t* text, int length) const {
    return CompareOf(text, length);
}

int GString::Compare(const char* text, int length) const {
    return CompareOf(text, length);
}

bool GString::IsEqual(const GString& first, const GString& second) {
    const int order = second.m_wide ? first.Compare(second.GetWideText(), second.m_length)
                                    : first.Compare(second.GetNarrowText(), second.m_length);
    return order == 0;
}

bool GString::IsDifferent(const GString& first, const GString& second) {
    return !IsEqual(first, second);
}

// ---- debugger output ----

void GString::DebugOutput(int limit) const {
    const int count = std::min(m_length, limit);
    if (count > 0) {
        SendDebugLines(count);
    }
}

void GString::SendDebugLines(int count) const {
    GString line(u'\0', 0);
    int at = 0;
    while (at < count) {
        int lineEnd = 0;
        if (m_wide) {
            lineEnd = std::min(at + kDebugLineWidth, count);
            line.AssignWide(WideText() + at, lineEnd - at);
        } else {
            // UTF-8 text is cut by characters, not bytes.
            const char* text = NarrowText();
            const char* next = Utf8SkipCharacters(text + at, kDebugLineWidth, count - at);
            lineEnd = next == nullptr ? count : static_cast<int>(next - text);
            line.AssignNarrow(text + at, lineEnd - at);
            if (line.MakeWide() == nullptr) {
                // Not UTF-8 after all: still show every byte, one unit each.
                line.Empty();
                line.SetEmptyForm(true);
                for (int i = at; i < lineEnd; ++i) {
                    line.AppendChar(static_cast<unsigned char>(text[i]));
                }
            }
        }
        line.CatUnits(lineEnd < count ? u" \\\n" : u"\n", lineEnd < count ? 3 : 1);
        SendDebugLine(line.GetWideText());
        at = lineEnd;
    }
}
