#pragma once

#include <QByteArrayView>
#include <QStringView>
#include <array>
#include <cassert>
#include <type_traits>

namespace corvane {

// Key positions were 16-bit, counting from 1: a key found further in than
// this fails its line or message with 6 "Overflow".
inline constexpr qsizetype MaxKeyPosition = 32767;

// Where each key first occurs in text, -1 where it does not. Every key ends
// in "=", so its first occurrence is the first "=" that ends it: one pass over
// the text's "=" signs finds them all, several times faster than searching
// the text once per key. View is QStringView or QByteArrayView.
template <typename View, typename Key, std::size_t N>
std::array<qsizetype, N> firstKeyPositions(View text, const std::array<Key, N>& keys)
{
    const std::remove_cvref_t<decltype(text[0])> equals(u'='); // QChar or char
    std::array<qsizetype, N> found;
    found.fill(-1);
    std::size_t pending = N;
    for (qsizetype eq = text.indexOf(equals); eq >= 0 && pending > 0; eq = text.indexOf(equals, eq + 1)) {
        for (std::size_t k = 0; k < N; ++k) {
            const View key(keys[k]);
            assert(key.size() > 1 && key.back() == equals);
            const qsizetype start = eq + 1 - key.size();
            // The letter before the "=" rules out most keys at once.
            if (found[k] >= 0 || start < 0 || text[eq - 1] != key[key.size() - 2])
                continue;
            if (text.sliced(start, key.size()) == key) {
                found[k] = start;
                --pending;
            }
        }
    }
    return found;
}

} // namespace corvane
