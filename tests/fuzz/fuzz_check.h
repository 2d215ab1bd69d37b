// What the fuzz targets share: the input as a byte array that reads past it cannot hide in, and
// a check that stays on in optimised builds.
#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The fuzzer's own buffer, not a copy: QByteArray's spare capacity and terminator would let a read
// one byte past the end go unseen.
inline QByteArray fuzzBytes(const std::uint8_t* data, std::size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond);                \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)
