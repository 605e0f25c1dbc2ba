#pragma once

// A minimal zip writer for tests: members stored without compression.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace testzip {

inline uint32_t crc32(const QByteArray& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : data) {
        crc ^= uint8_t(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void put16(QByteArray& out, uint32_t v)
{
    out.append(char(v & 255));
    out.append(char((v >> 8) & 255));
}

inline void put32(QByteArray& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline QByteArray storedZip(const std::vector<std::pair<QString, QByteArray>>& members)
{
    QByteArray out, central;
    for (const auto& [name, data] : members) {
        const QByteArray n = name.toUtf8();
        const uint32_t crc = crc32(data);
        const uint32_t offset = uint32_t(out.size());
        put32(out, 0x04034b50);
        put16(out, 20);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0);
        put16(out, 0x21);
        put32(out, crc);
        put32(out, uint32_t(data.size()));
        put32(out, uint32_t(data.size()));
        put16(out, uint32_t(n.size()));
        put16(out, 0);
        out.append(n);
        out.append(data);

        put32(central, 0x02014b50);
        put16(central, 20);
        put16(central, 20);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0x21);
        put32(central, crc);
        put32(central, uint32_t(data.size()));
        put32(central, uint32_t(data.size()));
        put16(central, uint32_t(n.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, 0);
        put32(central, offset);
        central.append(n);
    }
    const uint32_t centralOffset = uint32_t(out.size());
    out.append(central);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, uint32_t(members.size()));
    put16(out, uint32_t(members.size()));
    put32(out, uint32_t(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

} // namespace testzip
