#pragma once

// The text of one numeric conversion before padding, as 8-bit UTF-8 text (the only non-ASCII
// character it ever holds is the micro sign of the SI prefixes). The first LeadLength() bytes,
// the sign and the radix prefix, stay in front of the zeros of `0` padding.
//
// The capacity covers the longest conversion: %f of the largest double with 308 fraction
// digits takes 619 bytes; 308 grouped integer digits with sign and prefix take 413.
class FormatField {
public:
    static constexpr int kCapacity = 1024;

    void Put(char value) {
        if (length_ < kCapacity) {
            bytes_[length_++] = value;
        }
    }
    void Put(const char* text, int length) {
        for (int i = 0; i < length; ++i) {
            Put(text[i]);
        }
    }
    void Put(const char* text) {
        while (*text != 0) {
            Put(*text++);
        }
    }
    void PutRepeated(char value, int count) {
        for (int i = 0; i < count; ++i) {
            Put(value);
        }
    }
    // Everything put so far is the lead.
    void EndLead() { lead_ = length_; }

    const char* Bytes() const { return bytes_; }
    int Length() const { return length_; }
    int LeadLength() const { return lead_; }

    // Number of UTF-16 units the text becomes: every byte that is no continuation byte.
    int UnitCount() const {
        int units = 0;
        for (int i = 0; i < length_; ++i) {
            units += (static_cast<unsigned char>(bytes_[i]) & 0xC0) != 0x80 ? 1 : 0;
        }
        return units;
    }

private:
    char bytes_[kCapacity];
    int length_ = 0;
    int lead_ = 0;
};
