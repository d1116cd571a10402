#include "analysis/file_facts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define VANTOREL_SHA_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace vantorel {

std::u16string FormatFileSize(std::int64_t size, int decimals) {
  static constexpr const char* kUnits[] = {"Byte", "KB", "MB", "GB", "TB", "PB", "EB"};
  const double x = static_cast<double>(size);
  int power = 0;
  if (x > 0) {
    // Computed as a ratio of logarithms in double precision, as the table
    // of results was; int64 tops out at 8 EB, so the unit list suffices.
    power = static_cast<int>(std::floor(std::log(x) / std::log(1024.0)));
    power = std::clamp(power, 0, 6);
  }
  const int places = power >= 1 ? std::clamp(decimals, 0, 30) : 0;
  char text[96];
  std::snprintf(text, sizeof text, "%.*f %s", places, x / std::pow(1024.0, power), kUnits[power]);
  return std::u16string(text, text + std::strlen(text));
}

namespace {

constexpr std::uint32_t kInitialState[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};

constexpr std::uint32_t Rotl(std::uint32_t v, int n) { return (v << n) | (v >> (32 - n)); }

std::uint32_t LoadBigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Fully unrolled with the five working variables renamed from round to round
// instead of moved, and the schedule kept in a 16-word ring.
#define VANTOREL_SHA1_W(i) \
  (w[(i)&15] = Rotl(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))
#define VANTOREL_SHA1_ROUND(a, b, c, d, e, f, k, word) \
  do {                                                 \
    e += Rotl(a, 5) + (f) + (k) + (word);              \
    b = Rotl(b, 30);                                   \
  } while (0)
#define VANTOREL_SHA1_F1(b, c, d) (d ^ (b & (c ^ d)))
#define VANTOREL_SHA1_F2(b, c, d) (b ^ c ^ d)
#define VANTOREL_SHA1_F3(b, c, d) ((b & c) | (d & (b | c)))
#define VANTOREL_SHA1_FIVE(first, F, k, W)                           \
  VANTOREL_SHA1_ROUND(a, b, c, d, e, F(b, c, d), k, W((first) + 0)); \
  VANTOREL_SHA1_ROUND(e, a, b, c, d, F(a, b, c), k, W((first) + 1)); \
  VANTOREL_SHA1_ROUND(d, e, a, b, c, F(e, a, b), k, W((first) + 2)); \
  VANTOREL_SHA1_ROUND(c, d, e, a, b, F(d, e, a), k, W((first) + 3)); \
  VANTOREL_SHA1_ROUND(b, c, d, e, a, F(c, d, e), k, W((first) + 4))
#define VANTOREL_SHA1_PLAIN(i) w[(i)]

void CompressPortable(std::uint32_t* state, const std::uint8_t* data, std::size_t blocks) {
  for (; blocks > 0; --blocks, data += 64) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i) w[i] = LoadBigEndian32(data + 4 * i);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    VANTOREL_SHA1_FIVE(0, VANTOREL_SHA1_F1, 0x5A827999u, VANTOREL_SHA1_PLAIN);
    VANTOREL_SHA1_FIVE(5, VANTOREL_SHA1_F1, 0x5A827999u, VANTOREL_SHA1_PLAIN);
    VANTOREL_SHA1_FIVE(10, VANTOREL_SHA1_F1, 0x5A827999u, VANTOREL_SHA1_PLAIN);
    VANTOREL_SHA1_ROUND(a, b, c, d, e, VANTOREL_SHA1_F1(b, c, d), 0x5A827999u, w[15]);
    VANTOREL_SHA1_ROUND(e, a, b, c, d, VANTOREL_SHA1_F1(a, b, c), 0x5A827999u, VANTOREL_SHA1_W(16));
    VANTOREL_SHA1_ROUND(d, e, a, b, c, VANTOREL_SHA1_F1(e, a, b), 0x5A827999u, VANTOREL_SHA1_W(17));
    VANTOREL_SHA1_ROUND(c, d, e, a, b, VANTOREL_SHA1_F1(d, e, a), 0x5A827999u, VANTOREL_SHA1_W(18));
    VANTOREL_SHA1_ROUND(b, c, d, e, a, VANTOREL_SHA1_F1(c, d, e), 0x5A827999u, VANTOREL_SHA1_W(19));
    VANTOREL_SHA1_FIVE(20, VANTOREL_SHA1_F2, 0x6ED9EBA1u, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(25, VANTOREL_SHA1_F2, 0x6ED9EBA1u, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(30, VANTOREL_SHA1_F2, 0x6ED9EBA1u, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(35, VANTOREL_SHA1_F2, 0x6ED9EBA1u, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(40, VANTOREL_SHA1_F3, 0x8F1BBCDCu, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(45, VANTOREL_SHA1_F3, 0x8F1BBCDCu, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(50, VANTOREL_SHA1_F3, 0x8F1BBCDCu, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(55, VANTOREL_SHA1_F3, 0x8F1BBCDCu, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(60, VANTOREL_SHA1_F2, 0xCA62C1D6u, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(65, VANTOREL_SHA1_F2, 0xCA62C1D6u, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(70, VANTOREL_SHA1_F2, 0xCA62C1D6u, VANTOREL_SHA1_W);
    VANTOREL_SHA1_FIVE(75, VANTOREL_SHA1_F2, 0xCA62C1D6u, VANTOREL_SHA1_W);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

#undef VANTOREL_SHA1_PLAIN
#undef VANTOREL_SHA1_FIVE
#undef VANTOREL_SHA1_F3
#undef VANTOREL_SHA1_F2
#undef VANTOREL_SHA1_F1
#undef VANTOREL_SHA1_ROUND
#undef VANTOREL_SHA1_W

#if VANTOREL_SHA_X86

// Four rounds per SHA1RNDS4; E for the next four rounds comes from SHA1NEXTE
// of the ABCD that went into the previous group. Message words 16..79 are
// built four at a time: msg1 of the two oldest, xor the next, msg2 with the newest.
#define VANTOREL_SHA1_GROUP(func, eNow, eNext)                                                  \
  do {                                                                                          \
    const __m128i next = _mm_sha1msg2_epu32(_mm_xor_si128(_mm_sha1msg1_epu32(m0, m1), m2), m3); \
    m0 = m1;                                                                                    \
    m1 = m2;                                                                                    \
    m2 = m3;                                                                                    \
    m3 = next;                                                                                  \
    eNow = _mm_sha1nexte_epu32(eNow, m3);                                                       \
    eNext = abcd;                                                                               \
    abcd = _mm_sha1rnds4_epu32(abcd, eNow, func);                                               \
  } while (0)

__attribute__((target("sha,sse4.1"))) void CompressShaExtensions(std::uint32_t* state,
                                                                 const std::uint8_t* data,
                                                                 std::size_t blocks) {
  const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);

  for (; blocks > 0; --blocks, data += 64) {
    const __m128i abcdSaved = abcd;
    const __m128i eSaved = e0;
    __m128i m0 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data)), byteSwap);
    __m128i m1 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16)), byteSwap);
    __m128i m2 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 32)), byteSwap);
    __m128i m3 = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 48)), byteSwap);
    __m128i e1;

    // Rounds 0-15 use the block's own words.
    e0 = _mm_add_epi32(e0, m0);
    e1 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);
    e1 = _mm_sha1nexte_epu32(e1, m1);
    e0 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e1, 0);
    e0 = _mm_sha1nexte_epu32(e0, m2);
    e1 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);
    e1 = _mm_sha1nexte_epu32(e1, m3);
    e0 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e1, 0);

    VANTOREL_SHA1_GROUP(0, e0, e1);  // 16-19
    VANTOREL_SHA1_GROUP(1, e1, e0);  // 20-23
    VANTOREL_SHA1_GROUP(1, e0, e1);
    VANTOREL_SHA1_GROUP(1, e1, e0);
    VANTOREL_SHA1_GROUP(1, e0, e1);
    VANTOREL_SHA1_GROUP(1, e1, e0);  // 36-39
    VANTOREL_SHA1_GROUP(2, e0, e1);  // 40-43
    VANTOREL_SHA1_GROUP(2, e1, e0);
    VANTOREL_SHA1_GROUP(2, e0, e1);
    VANTOREL_SHA1_GROUP(2, e1, e0);
    VANTOREL_SHA1_GROUP(2, e0, e1);  // 56-59
    VANTOREL_SHA1_GROUP(3, e1, e0);  // 60-63
    VANTOREL_SHA1_GROUP(3, e0, e1);
    VANTOREL_SHA1_GROUP(3, e1, e0);
    VANTOREL_SHA1_GROUP(3, e0, e1);
    VANTOREL_SHA1_GROUP(3, e1, e0);  // 76-79

    e0 = _mm_sha1nexte_epu32(e0, eSaved);
    abcd = _mm_add_epi32(abcd, abcdSaved);
  }

  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}

#undef VANTOREL_SHA1_GROUP

bool DetectShaExtensions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = c & (1u << 9);
  const bool sse41 = c & (1u << 19);
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  const bool sha = b & (1u << 29);
  return ssse3 && sse41 && sha;
}

#else

bool DetectShaExtensions() { return false; }

#endif

}  // namespace

bool Sha1::ShaExtensionsAvailable() {
  static const bool available = DetectShaExtensions();
  return available;
}

Sha1::Sha1(Engine engine) : engine_(engine), compress_(CompressPortable) {
#if VANTOREL_SHA_X86
  if (engine_ == Engine::Automatic)
    engine_ = ShaExtensionsAvailable() ? Engine::ShaExtensions : Engine::Portable;
  if (engine_ == Engine::ShaExtensions) {
    if (ShaExtensionsAvailable())
      compress_ = CompressShaExtensions;
    else
      engine_ = Engine::Portable;  // never run instructions the CPU lacks
  }
#else
  engine_ = Engine::Portable;
#endif
  Reset();
}

void Sha1::Reset() {
  std::copy(std::begin(kInitialState), std::end(kInitialState), state_.begin());
  pendingSize_ = 0;
  totalBytes_ = 0;
}

void Sha1::Update(std::span<const std::uint8_t> bytes) {
  totalBytes_ += bytes.size();
  const std::uint8_t* data = bytes.data();
  std::size_t size = bytes.size();
  if (pendingSize_ > 0) {
    const std::size_t take = std::min(size, pending_.size() - pendingSize_);
    std::memcpy(pending_.data() + pendingSize_, data, take);
    pendingSize_ += take;
    data += take;
    size -= take;
    if (pendingSize_ < pending_.size()) return;
    compress_(state_.data(), pending_.data(), 1);
    pendingSize_ = 0;
  }
  if (size >= 64) {
    compress_(state_.data(), data, size / 64);
    data += size / 64 * 64;
    size %= 64;
  }
  if (size > 0) {
    std::memcpy(pending_.data(), data, size);
    pendingSize_ = size;
  }
}

Sha1Digest Sha1::Final() {
  const std::uint64_t bitLength = totalBytes_ * 8;
  std::uint8_t tail[128] = {};
  std::memcpy(tail, pending_.data(), pendingSize_);
  tail[pendingSize_] = 0x80;
  const std::size_t tailSize = pendingSize_ + 1 + 8 <= 64 ? 64 : 128;
  for (int i = 0; i < 8; ++i) tail[tailSize - 1 - i] = static_cast<std::uint8_t>(bitLength >> (8 * i));
  compress_(state_.data(), tail, tailSize / 64);

  Sha1Digest digest;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
  }
  Reset();
  return digest;
}

std::u16string DigestToHex(const Sha1Digest& digest) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::u16string hex;
  hex.reserve(40);
  for (std::uint8_t byte : digest) {
    hex.push_back(static_cast<char16_t>(kDigits[byte >> 4]));
    hex.push_back(static_cast<char16_t>(kDigits[byte & 15]));
  }
  return hex;
}

std::u16string FingerprintStream(const ReadChunk& read, Sha1::Engine engine) {
  std::vector<std::uint8_t> buffer(kFingerprintChunkSize);
  Sha1 sha(engine);
  for (;;) {
    const std::int64_t got = read(buffer.data(), buffer.size());
    if (got < 0) return {};
    const std::size_t size = std::min(static_cast<std::size_t>(got), buffer.size());
    sha.Update(std::span<const std::uint8_t>(buffer.data(), size));
    if (size < buffer.size()) break;
  }
  return DigestToHex(sha.Final());
}

std::u16string FileFingerprintNative(const char* path, Sha1::Engine engine) {
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file(std::fopen(path, "rb"));
  if (!file) return {};
  return FingerprintStream(
      [&file](std::uint8_t* buffer, std::size_t capacity) -> std::int64_t {
        const std::size_t got = std::fread(buffer, 1, capacity, file.get());
        // A directory opens fine on some systems and only fails on reading.
        if (std::ferror(file.get())) return -1;
        return static_cast<std::int64_t>(got);
      },
      engine);
}

}  // namespace vantorel
