#include "text/RawText.h"

int TextLength(const char* text) {
    int n = 0;
    if (text != nullptr) {
        while (text[n] != 0) {
            ++n;
        }
    }
    return n;
}
