// Writes the image files the resource library embeds and the decoder tests
// read: an icon with a PNG-compressed 256x256 image, a monochrome cursor, a
// bitmap, a PNG and a JPEG. Every picture shows the same four quadrants (red,
// green, blue, and a fourth that differs per format) so a test can check
// orientation and colour by sampling one pixel per quadrant.
//
// Self-contained on purpose (own deflate, CRC and JPEG encoder): the build
// must not depend on image libraries of the host.
//
// Usage: make_images <output directory>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgba {
    std::uint8_t r, g, b, a;
};

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 255, 0, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

// Quadrant pattern: top-left red, top-right green, bottom-left blue,
// bottom-right `fourth`. Coordinates are top-down.
Rgba Quadrant(int x, int y, int w, int h, Rgba fourth) {
    const bool right = x >= w / 2;
    const bool bottom = y >= h / 2;
    if (!bottom) return right ? kGreen : kRed;
    return right ? fourth : kBlue;
}

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Put32Be(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

bool WriteFile(const std::string& path, const Bytes& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "make_images: cannot write %s\n", path.c_str());
        return false;
    }
    const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

// ---- PNG ----------------------------------------------------------------

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

class BitWriter {
public:
    // Deflate packs bits starting at the least significant one.
    void Bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            acc_ |= ((value >> i) & 1u) << used_;
            if (++used_ == 8) Flush();
        }
    }
    // Huffman codes go most significant bit first.
    void Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) Bits((code >> i) & 1u, 1);
    }
    Bytes Finish() {
        if (used_) Flush();
        return std::move(out_);
    }

private:
    void Flush() {
        out_.push_back(acc_);
        acc_ = 0;
        used_ = 0;
    }
    Bytes out_;
    std::uint8_t acc_ = 0;
    int used_ = 0;
};

void FixedLiteral(BitWriter& w, unsigned sym) {
    if (sym < 144) w.Code(0x30 + sym, 8);
    else if (sym < 256) w.Code(0x190 + sym - 144, 9);
    else if (sym < 280) w.Code(sym - 256, 7);
    else w.Code(0xC0 + sym - 280, 8);
}

void FixedMatch(BitWriter& w, unsigned length, unsigned distance) {
    static constexpr std::array<unsigned, 29> kLenBase{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                                       15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                                       67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr std::array<int, 29> kLenExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static constexpr std::array<unsigned, 30> kDistBase{
        1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static constexpr std::array<int, 30> kDistExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    int li = 28;
    while (kLenBase[li] > length) --li;
    FixedLiteral(w, 257 + li);
    w.Bits(length - kLenBase[li], kLenExtra[li]);
    int di = 29;
    while (kDistBase[di] > distance) --di;
    w.Code(di, 5);
    w.Bits(distance - kDistBase[di], kDistExtra[di]);
}

// A zlib stream in one fixed-Huffman block with greedy LZ77 matching; small
// enough to keep the 256x256 icon image a few hundred bytes.
Bytes ZlibCompress(const Bytes& in) {
    BitWriter w;
    w.Bits(1, 1);  // final block
    w.Bits(1, 2);  // fixed Huffman codes
    constexpr std::size_t kWindow = 32768, kMaxLen = 258;
    std::vector<std::int64_t> last(1 << 16, -1);
    auto hash = [&](std::size_t i) {
        return ((in[i] << 8) ^ (in[i + 1] << 4) ^ in[i + 2]) & 0xFFFF;
    };
    std::size_t i = 0;
    while (i < in.size()) {
        std::size_t best = 0, dist = 0;
        if (i + 3 <= in.size()) {
            const std::int64_t cand = last[hash(i)];
            if (cand >= 0 && i - static_cast<std::size_t>(cand) <= kWindow) {
                std::size_t n = 0;
                while (i + n < in.size() && n < kMaxLen && in[cand + n] == in[i + n]) ++n;
                if (n >= 3) best = n, dist = i - cand;
            }
            last[hash(i)] = static_cast<std::int64_t>(i);
        }
        if (best) {
            FixedMatch(w, static_cast<unsigned>(best), static_cast<unsigned>(dist));
            for (std::size_t k = 1; k < best && i + k + 3 <= in.size(); ++k)
                last[hash(i + k)] = static_cast<std::int64_t>(i + k);
            i += best;
        } else {
            FixedLiteral(w, in[i++]);
        }
    }
    FixedLiteral(w, 256);
    Bytes out{0x78, 0x01};
    Append(out, w.Finish());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t c : in) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    Put32Be(out, (b << 16) | a);
    return out;
}

void PngChunk(Bytes& png, const char* type, const Bytes& data) {
    Put32Be(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    Append(png, data);
    Put32Be(png, Crc32(png.data() + start, png.size() - start));
}

Bytes MakePng(int w, int h, Rgba fourth) {
    Bytes raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < w; ++x) {
            const Rgba c = Quadrant(x, y, w, h, fourth);
            raw.insert(raw.end(), {c.r, c.g, c.b, c.a});
        }
    }
    Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    Put32Be(ihdr, w);
    Put32Be(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
    PngChunk(png, "IHDR", ihdr);
    PngChunk(png, "IDAT", ZlibCompress(raw));
    PngChunk(png, "IEND", {});
    return png;
}

// ---- DIB-based formats -----------------------------------------------------

void BitmapInfoHeader(Bytes& b, int w, int h, int bits, std::uint32_t imageSize, int colours) {
    Put32(b, 40);
    Put32(b, w);
    Put32(b, h);
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, 0);  // BI_RGB
    Put32(b, imageSize);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, colours);
    Put32(b, 0);
}

int MaskStride(int w) { return ((w + 31) / 32) * 4; }

// An all-zero AND mask: every pixel opaque (the colour data decides).
Bytes OpaqueMask(int w, int h) { return Bytes(static_cast<std::size_t>(MaskStride(w)) * h, 0); }

// 32bpp icon image: BGRA rows bottom-up, then the AND mask; the header's
// height counts both halves.
Bytes IconDib32(int w, int h, Rgba fourth) {
    Bytes b;
    const std::uint32_t size = w * h * 4 + MaskStride(w) * h;
    BitmapInfoHeader(b, w, 2 * h, 32, size, 0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const Rgba c = Quadrant(x, y, w, h, fourth);
            b.insert(b.end(), {c.b, c.g, c.r, c.a});
        }
    Append(b, OpaqueMask(w, h));
    return b;
}

// 4bpp icon image with a 16-entry palette (index 1 red, 2 green, 3 blue,
// 4 white, the rest black).
Bytes IconDib4(int w, int h) {
    Bytes b;
    const int stride = ((w * 4 + 31) / 32) * 4;
    BitmapInfoHeader(b, w, 2 * h, 4, stride * h + MaskStride(w) * h, 16);
    const std::array<Rgba, 5> pal{Rgba{0, 0, 0, 0}, kRed, kGreen, kBlue, kWhite};
    for (int i = 0; i < 16; ++i) {
        const Rgba c = i < 5 ? pal[i] : Rgba{0, 0, 0, 0};
        b.insert(b.end(), {c.b, c.g, c.r, 0});
    }
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            const int idx = !bottom ? (right ? 2 : 1) : (right ? 4 : 3);
            row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? idx : idx << 4);
        }
        Append(b, row);
    }
    Append(b, OpaqueMask(w, h));
    return b;
}

struct IconImage {
    int w, h;
    int colours;  // palette size for the directory entry (0 when >= 256 or none)
    int bits;
    Bytes data;
};

Bytes MakeIco(const std::vector<IconImage>& images) {
    Bytes ico;
    Put16(ico, 0);
    Put16(ico, 1);  // icon
    Put16(ico, static_cast<unsigned>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const IconImage& im : images) {
        ico.push_back(static_cast<std::uint8_t>(im.w & 0xFF));  // 256 is stored as 0
        ico.push_back(static_cast<std::uint8_t>(im.h & 0xFF));
        ico.push_back(static_cast<std::uint8_t>(im.colours));
        ico.push_back(0);
        Put16(ico, 1);
        Put16(ico, im.bits);
        Put32(ico, static_cast<std::uint32_t>(im.data.size()));
        Put32(ico, offset);
        offset += static_cast<std::uint32_t>(im.data.size());
    }
    for (const IconImage& im : images) Append(ico, im.data);
    return ico;
}

// 32x32 monochrome cursor: a white arrow with a black outline on a
// transparent background, hot spot at (2, 3).
Bytes MakeCur() {
    constexpr int w = 32, h = 32, hotX = 2, hotY = 3;
    Bytes dib;
    BitmapInfoHeader(dib, w, 2 * h, 1, 2 * MaskStride(w) * h, 2);
    dib.insert(dib.end(), {0, 0, 0, 0, 255, 255, 255, 0});  // black, white
    Bytes xorBits, andBits;
    for (int y = h - 1; y >= 0; --y) {
        std::uint32_t x1 = 0, a1 = 0xFFFFFFFFu;  // bit 31 is the leftmost pixel
        const int ay = y - hotY;
        for (int x = 0; x < w; ++x) {
            const int ax = x - hotX;
            const bool inside = ay >= 0 && ay < 20 && ax >= 0 && ax <= ay / 2 + 1;
            const bool edge = inside && (ax == 0 || ax == ay / 2 + 1 || ay == 19);
            if (inside) {
                a1 &= ~(1u << (31 - x));
                if (!edge) x1 |= 1u << (31 - x);
            }
        }
        Put32Be(xorBits, x1);
        Put32Be(andBits, a1);
    }
    Append(dib, xorBits);
    Append(dib, andBits);
    Bytes cur;
    Put16(cur, 0);
    Put16(cur, 2);  // cursor
    Put16(cur, 1);
    cur.insert(cur.end(), {w, h, 2, 0});
    Put16(cur, hotX);
    Put16(cur, hotY);
    Put32(cur, static_cast<std::uint32_t>(dib.size()));
    Put32(cur, 22);
    Append(cur, dib);
    return cur;
}

// 24bpp bottom-up BMP file (windres strips the 14-byte file header).
Bytes MakeBmp(int w, int h) {
    const int stride = ((w * 3 + 3) / 4) * 4;
    Bytes bmp{'B', 'M'};
    Put32(bmp, 14 + 40 + stride * h);
    Put32(bmp, 0);
    Put32(bmp, 14 + 40);
    BitmapInfoHeader(bmp, w, h, 24, stride * h, 0);
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < w; ++x) {
            const Rgba c = Quadrant(x, y, w, h, kWhite);
            row[x * 3] = c.b;
            row[x * 3 + 1] = c.g;
            row[x * 3 + 2] = c.r;
        }
        Append(bmp, row);
    }
    return bmp;
}

// ---- JPEG -------------------------------------------------------------------

class JpegBits {
public:
    void Code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) {
            acc_ = static_cast<std::uint8_t>((acc_ << 1) | ((code >> i) & 1u));
            if (++used_ == 8) Emit();
        }
    }
    Bytes Finish() {
        while (used_) Code(1, 1);  // pad with one bits
        return std::move(out_);
    }

private:
    void Emit() {
        out_.push_back(acc_);
        if (acc_ == 0xFF) out_.push_back(0);  // byte stuffing
        acc_ = 0;
        used_ = 0;
    }
    Bytes out_;
    std::uint8_t acc_ = 0;
    int used_ = 0;
};

// Baseline JPEG, 16x16, three components without subsampling, every 8x8 block
// flat. Flat blocks need only DC coefficients, so one all-ones quantisation
// table, the standard DC Huffman table and an AC table holding only
// end-of-block keep the encoder tiny, and decoding reproduces the colours to
// within rounding.
Bytes MakeJpeg() {
    constexpr int size = 16;
    // Standard luminance DC table: code lengths per category 0..11.
    const std::array<std::uint8_t, 16> dcCounts{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    std::array<std::uint32_t, 12> dcCode{};
    std::array<int, 12> dcLen{};
    {
        std::uint32_t code = 0;
        int sym = 0;
        for (int len = 1; len <= 16; ++len) {
            for (int k = 0; k < dcCounts[len - 1]; ++k, ++sym) dcCode[sym] = code++, dcLen[sym] = len;
            code <<= 1;
        }
    }
    Bytes j{0xFF, 0xD8};
    auto segment = [&](std::uint8_t marker, const Bytes& body) {
        const std::size_t length = body.size() + 2;  // counts itself
        j.insert(j.end(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length)});
        Append(j, body);
    };
    segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    Bytes dqt{0};
    dqt.resize(65, 1);
    segment(0xDB, dqt);
    segment(0xC0, {8, 0, size, 0, size, 3, 1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0});
    Bytes dht{0x00};
    dht.insert(dht.end(), dcCounts.begin(), dcCounts.end());
    for (int s = 0; s < 12; ++s) dht.push_back(static_cast<std::uint8_t>(s));
    dht.push_back(0x10);  // AC table 0: one code of length 1 for end-of-block
    dht.push_back(1);
    dht.insert(dht.end(), 15, 0);
    dht.push_back(0x00);
    segment(0xC4, dht);
    segment(0xDA, {3, 1, 0x00, 2, 0x00, 3, 0x00, 0, 63, 0});

    JpegBits bits;
    std::array<int, 3> pred{0, 0, 0};
    for (int by = 0; by < size; by += 8)
        for (int bx = 0; bx < size; bx += 8) {
            const Rgba c = Quadrant(bx, by, size, size, kWhite);
            const double r = c.r, g = c.g, b = c.b;
            const std::array<double, 3> ycc{0.299 * r + 0.587 * g + 0.114 * b,
                                            128 - 0.168736 * r - 0.331264 * g + 0.5 * b,
                                            128 + 0.5 * r - 0.418688 * g - 0.081312 * b};
            for (int comp = 0; comp < 3; ++comp) {
                int v = static_cast<int>(ycc[comp] + 0.5);
                v = v < 0 ? 0 : v > 255 ? 255 : v;
                const int dc = 8 * (v - 128);  // DC of a flat block, quantiser 1
                const int diff = dc - pred[comp];
                pred[comp] = dc;
                int cat = 0;
                for (int m = diff < 0 ? -diff : diff; m; m >>= 1) ++cat;
                bits.Code(dcCode[cat], dcLen[cat]);
                if (cat) {
                    const int extra = diff < 0 ? diff - 1 : diff;
                    bits.Code(static_cast<std::uint32_t>(extra) & ((1u << cat) - 1), cat);
                }
                bits.Code(0, 1);  // end of block
            }
        }
    Append(j, bits.Finish());
    j.insert(j.end(), {0xFF, 0xD9});
    return j;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_images <output directory>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    constexpr Rgba kHalfWhite{255, 255, 255, 128};
    constexpr Rgba kClear{0, 0, 0, 0};

    const Bytes iconPng = MakePng(256, 256, kHalfWhite);
    const Bytes ico = MakeIco({{16, 16, 0, 32, IconDib32(16, 16, kWhite)},
                               {32, 32, 16, 4, IconDib4(32, 32)},
                               {256, 256, 0, 32, iconPng}});
    bool ok = WriteFile(dir + "quadrants.ico", ico);
    ok = WriteFile(dir + "icon256.png", iconPng) && ok;
    ok = WriteFile(dir + "arrow.cur", MakeCur()) && ok;
    ok = WriteFile(dir + "quadrants.bmp", MakeBmp(40, 20)) && ok;
    ok = WriteFile(dir + "quadrants.png", MakePng(48, 32, kClear)) && ok;
    ok = WriteFile(dir + "quadrants.jpg", MakeJpeg()) && ok;
    return ok ? 0 : 1;
}
