#pragma once

#include <cstdarg>

// The caller's variable argument list, read in order. Holding our own copy lets the scanner and
// every conversion share one position, whatever va_list is on the target.
class FormatArguments {
public:
    explicit FormatArguments(va_list arguments) { va_copy(list_, arguments); }
    ~FormatArguments() { va_end(list_); }
    FormatArguments(const FormatArguments&) = delete;
    FormatArguments& operator=(const FormatArguments&) = delete;

    int NextInt() { return va_arg(list_, int); }
    unsigned NextUnsigned() { return va_arg(list_, unsigned); }
    long long NextInt64() { return va_arg(list_, long long); }
    double NextDouble() { return va_arg(list_, double); }
    template <typename T>
    T* NextPointer() {
        return va_arg(list_, T*);
    }

private:
    va_list list_;
};
