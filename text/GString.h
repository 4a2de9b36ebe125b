#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>

// The system's own string: UTF-16 code units (the wide form) or UTF-8 bytes, converting on
// request. Storage is one block with a movable start, grown in 64-byte steps, at least 1.5-fold.
// Operations answer true/false (searches an index or -1) and never throw but bad_alloc.
class GString {
public:
    GString();
    GString(char16_t unit, int count);
    virtual ~GString();
    GString(const GString&) = delete;
    GString& operator=(const GString&) = delete;

    int GetLength() const;
    bool IsWide() const;
    const char16_t* GetWideText(int index = 0) const;
    const char* GetNarrowText(int index = 0) const;

    const char16_t* MakeWide();
    const char* MakeNarrow();

    void Empty();
    bool SetLength(int n);
    char16_t* GetAppendBuffer(int n);

    bool AssignWide(const char16_t* text, int length = -1);
    bool AssignNarrow(const char* text, int length = -1);
    bool Assign(const GString& other);
    bool AssignCounted(const void* counted);

    bool CatWide(const char16_t* text, int length = -1);
    bool CatNarrow(const char* text, int length = -1);
    bool AppendWide(const char16_t* text, int length = -1);
    bool AppendNarrow(const char* text, int length = -1);
    bool Append(const GString& other);
    bool AppendChar(char16_t unit, int count = 1);
    bool AppendByte(unsigned char value, int count = 1);
    bool AppendNewLine();
    bool EnsureSuffix(const char16_t* text, int length = -1);
    bool EnsureSuffix(const char* text, int length = -1);
    bool AppendPath(const char16_t* component, int length = -1);
    bool AppendPath(const char* component, int length = -1);
    bool AppendPath(const GString& component);

    bool TrimLeft(int n);
    bool MakeUpper();
    int Find(const char16_t* needle, int first = 0, int length = -1) const;
    int Find(const char* needle, int first = 0, int length = -1) const;
    int Find(const GString& needle, int first = 0) const;
    int ReverseFind(char16_t unit, int lowest = 0) const;
    int Compare(const char16_t* text, int length = -1) const;
    int Compare(const char* text, int length = -1) const;
    static bool IsEqual(const GString& first, const GString& second);
    static bool IsDifferent(const GString& first, const GString& second);
    void DebugOutput(int limit) const;

    // Formatting from a UTF-16 template (see GStringFormat.cpp).
    bool Format(const char16_t* format, ...);
    bool AppendFormat(const char16_t* format, va_list args);

    // Storage facts, for tests of the growth policy.
    int GetCapacity() const;
    int GetStart() const;
    int GetRoom() const;

private:
    static constexpr int kReservedBytes = 4;
    static constexpr int kGranularity = 64;
    static constexpr int kDebugLineWidth = 80;

    int UnitSize() const { return m_wide ? 2 : 1; }
    char16_t* WideText() const;
    char* NarrowText() const;
    bool Holds(const void* address) const;
    void WriteTerminator();
    void SetEmptyForm(bool wide);
    void Compact();
    bool Reserve(std::int64_t total);
    bool EnsureRoom(std::int64_t count);
    void SwapStorage(GString& other);
    GString& Scratch() const;

    // Appends of an already resolved length, in the string's own form or converted into it.
    bool CatUnits(const char16_t* text, int count);
    bool CatBytes(const char* text, int count);
    bool AppendEncoded(const char16_t* text, int count);
    bool AppendDecoded(const char* text, int count);
    bool AppendText(const char16_t* text, int count);
    bool AppendText(const char* text, int count);
    bool AppendRepeated(char16_t unit, int count);
    bool EndsWith(const GString& suffix) const;
    int FindSameForm(const GString& needle, int first) const;
    int CompareSameForm(const void* text, int length) const;
    void SendDebugLines(int count) const;

    template <typename Unit>
    bool AssignInForm(bool wide, const Unit* text, int length);
    template <typename Unit>
    bool EnsureSuffixOf(const Unit* text, int length);
    template <typename Unit>
    bool AppendPathOf(const Unit* component, int length);
    template <typename Unit>
    int FindOf(const Unit* needle, int first, int length) const;
    template <typename Unit>
    int CompareOf(const Unit* text, int length) const;

    // The block is kept as UTF-16 units so that the wide form needs no cast that loses
    // alignment; the first kReservedBytes are not used for text.
    char16_t* m_block = nullptr;
    int m_length = 0;
    int m_start = 0;
    int m_capacity = 0;
    bool m_wide = false;
    // Working copy for the conversions between forms; its content means nothing between calls.
    mutable std::unique_ptr<GString> m_scratch;
};
