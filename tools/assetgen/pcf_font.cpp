// Reader for X11 PCF bitmap fonts, plain or gzip-compressed, as Debian
// ships them under /usr/share/fonts/X11. Only what a fixed-cell font sheet
// needs: glyph bitmaps, their metrics, the encoding and the font's ascent
// and descent.
#include "assets.h"
#include "canvas.h"

#include <zlib.h>

#include <algorithm>

namespace ag {
namespace {

enum TableType {
    kAccelerators = 1 << 1,
    kMetrics = 1 << 2,
    kBitmaps = 1 << 3,
    kEncodings = 1 << 5,
    kBdfAccelerators = 1 << 8,
};
constexpr uint32_t kCompressedMetrics = 0x100;
constexpr uint32_t kFormatMask = 0xffffff00;

std::vector<unsigned char> readGzip(const std::string &path)
{
    // gzread passes plain files through unchanged, so both kinds work.
    gzFile in = gzopen(path.c_str(), "rb");
    if (!in)
        fail("cannot open font " + path);
    std::vector<unsigned char> data;
    unsigned char buf[16384];
    int got;
    while ((got = gzread(in, buf, sizeof buf)) > 0)
        data.insert(data.end(), buf, buf + got);
    const bool broken = got < 0;
    gzclose(in);
    if (broken)
        fail("cannot decompress font " + path);
    return data;
}

// Bounds-checked reads in the byte order a table's format word names.
class Reader {
public:
    Reader(const std::vector<unsigned char> &data, const std::string &path) : data_(data), path_(path) {}

    void seek(size_t at) { pos_ = at; }
    void setBigEndian(bool big) { big_ = big; }
    size_t pos() const { return pos_; }

    uint32_t u32()
    {
        need(4);
        const unsigned char *p = &data_[pos_];
        pos_ += 4;
        return big_ ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                    : (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    int16_t i16()
    {
        need(2);
        const unsigned char *p = &data_[pos_];
        pos_ += 2;
        return static_cast<int16_t>(big_ ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]));
    }
    uint16_t u16() { return static_cast<uint16_t>(i16()); }
    unsigned char u8()
    {
        need(1);
        return data_[pos_++];
    }
    const unsigned char *bytes(size_t n)
    {
        need(n);
        const unsigned char *p = &data_[pos_];
        pos_ += n;
        return p;
    }

    // Each table starts with its format word, always least significant
    // byte first; the rest of the table follows the order it names.
    uint32_t openTable(size_t at)
    {
        seek(at);
        big_ = false;
        const uint32_t format = u32();
        big_ = (format & 4) != 0;
        return format;
    }

private:
    void need(size_t n) const
    {
        if (pos_ + n > data_.size())
            fail("font " + path_ + " is truncated");
    }

    const std::vector<unsigned char> &data_;
    std::string path_;
    size_t pos_ = 0;
    bool big_ = false;
};

struct Metrics {
    int left, right, width, ascent, descent;
};

} // namespace

bool BitmapFont::ink(int ch, int x, int y) const
{
    auto it = glyphs.find(ch);
    if (it == glyphs.end())
        return false;
    const Glyph &g = it->second;
    const int gx = x - g.left, gy = y - (ascent - g.ascent);
    return gx >= 0 && gy >= 0 && gx < g.w && gy < g.h && g.on[gy * g.w + gx];
}

BitmapFont loadPcfFont(const std::string &path)
{
    const std::vector<unsigned char> data = readGzip(path);
    Reader r(data, path);
    const unsigned char magic[4] = {1, 'f', 'c', 'p'};
    if (data.size() < 8 || !std::equal(magic, magic + 4, data.begin()))
        fail(path + " is not a PCF font");
    r.seek(4);
    const int tableCount = r.i32();
    struct Table {
        uint32_t type, format, size, offset;
    };
    std::vector<Table> tables;
    for (int i = 0; i < tableCount; ++i) {
        Table t;
        t.type = r.u32();
        t.format = r.u32();
        t.size = r.u32();
        t.offset = r.u32();
        tables.push_back(t);
    }
    auto find = [&](uint32_t type) -> const Table * {
        for (const Table &t : tables)
            if (t.type == type)
                return &t;
        return nullptr;
    };
    const Table *metricsTable = find(kMetrics), *bitmapTable = find(kBitmaps), *encodingTable = find(kEncodings);
    const Table *accelTable = find(kBdfAccelerators) ? find(kBdfAccelerators) : find(kAccelerators);
    if (!metricsTable || !bitmapTable || !encodingTable || !accelTable)
        fail(path + " lacks a table a font sheet needs");

    BitmapFont font;
    // Accelerators: seven flag bytes and a pad, then the font's ascent and descent.
    r.openTable(accelTable->offset);
    r.bytes(8);
    font.ascent = r.i32();
    font.descent = r.i32();

    std::vector<Metrics> metrics;
    uint32_t format = r.openTable(metricsTable->offset);
    if ((format & kFormatMask) == kCompressedMetrics) {
        const int count = r.i16();
        for (int i = 0; i < count; ++i) {
            Metrics m;
            m.left = r.u8() - 0x80;
            m.right = r.u8() - 0x80;
            m.width = r.u8() - 0x80;
            m.ascent = r.u8() - 0x80;
            m.descent = r.u8() - 0x80;
            metrics.push_back(m);
        }
    } else {
        const int count = r.i32();
        for (int i = 0; i < count; ++i) {
            Metrics m;
            m.left = r.i16();
            m.right = r.i16();
            m.width = r.i16();
            m.ascent = r.i16();
            m.descent = r.i16();
            r.u16(); // attributes
            metrics.push_back(m);
        }
    }

    format = r.openTable(bitmapTable->offset);
    const int glyphCount = r.i32();
    if (glyphCount != static_cast<int>(metrics.size()))
        fail(path + ": bitmap and metrics counts differ");
    std::vector<uint32_t> offsets(glyphCount);
    for (uint32_t &o : offsets)
        o = r.u32();
    uint32_t sizes[4];
    for (uint32_t &s : sizes)
        s = r.u32();
    const int pad = 1 << (format & 3);
    const int scanUnit = 1 << ((format >> 4) & 3);
    const bool msbBits = (format & 8) != 0, msbBytes = (format & 4) != 0;
    const size_t bitmapStart = r.pos();
    const uint32_t bitmapBytes = sizes[format & 3];
    r.bytes(bitmapBytes);

    format = r.openTable(encodingTable->offset);
    const int min2 = r.i16(), max2 = r.i16(), min1 = r.i16(), max1 = r.i16();
    r.i16(); // default character
    const int perRow = max2 - min2 + 1;
    std::vector<uint16_t> index(static_cast<size_t>(perRow) * (max1 - min1 + 1));
    for (uint16_t &i : index)
        i = r.u16();

    // Printable ASCII is all the game writes.
    for (int ch = 32; ch <= 126; ++ch) {
        if (min1 != 0 || ch < min2 || ch > max2)
            continue;
        const uint16_t g = index[static_cast<size_t>(ch - min2)]; // row 0 of a two-byte table
        if (g == 0xffff || g >= metrics.size())
            continue;
        const Metrics &m = metrics[g];
        Glyph glyph;
        glyph.left = m.left;
        glyph.ascent = m.ascent;
        glyph.advance = m.width;
        glyph.w = m.right - m.left;
        glyph.h = m.ascent + m.descent;
        glyph.on.assign(static_cast<size_t>(std::max(glyph.w, 0)) * std::max(glyph.h, 0), 0);
        const int rowBytes = ((glyph.w + 7) / 8 + pad - 1) / pad * pad;
        if (offsets[g] + static_cast<uint64_t>(rowBytes) * glyph.h > bitmapBytes)
            fail(path + ": glyph bitmap out of range");
        for (int y = 0; y < glyph.h; ++y) {
            std::vector<unsigned char> row(data.begin() + bitmapStart + offsets[g] + y * rowBytes,
                                           data.begin() + bitmapStart + offsets[g] + (y + 1) * rowBytes);
            // Bring the row to most significant bit and byte first.
            if (msbBytes != msbBits && scanUnit > 1)
                for (size_t u = 0; u + scanUnit <= row.size(); u += scanUnit)
                    std::reverse(row.begin() + u, row.begin() + u + scanUnit);
            for (int x = 0; x < glyph.w; ++x) {
                const unsigned char byte = row[x / 8];
                const int bit = msbBits ? 7 - x % 8 : x % 8;
                glyph.on[y * glyph.w + x] = (byte >> bit) & 1;
            }
        }
        font.cellW = std::max(font.cellW, glyph.advance);
        font.glyphs[ch] = glyph;
    }
    return font;
}

} // namespace ag
