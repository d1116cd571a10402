#include "resources/image_decode_win32.h"

#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

#include <jpeglib.h>
#include <png.h>

#include "platform/dib_win32.h"

namespace vantorel {

namespace {

struct GdiDeleter {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiDeleter>;

// A top-down 32-bit DIB section of an allowed size, or null; `bits` gets its
// pixels, rows of width * 4 bytes without padding.
HBITMAP CreateTopDownDib(std::uint64_t width, std::uint64_t height, std::uint8_t** bits) {
  *bits = nullptr;
  if (!ImageSizeAllowed(width, height)) return nullptr;
  void* pixels = nullptr;
  HBITMAP bitmap = CreateTopDownDib32(nullptr, static_cast<int>(width), static_cast<int>(height), &pixels);
  if (bitmap && !pixels) {
    DeleteObject(bitmap);
    return nullptr;
  }
  *bits = static_cast<std::uint8_t*>(pixels);
  return bitmap;
}

// ---- PNG ----------------------------------------------------------------
// The simplified reader keeps libpng's setjmp inside the library and turns
// every error into a 0 result, so no longjmp ever crosses a frame of ours.

struct PngRead {
  png_image image{};
  PngRead() { image.version = PNG_IMAGE_VERSION; }
  ~PngRead() { png_image_free(&image); }
  PngRead(const PngRead&) = delete;
  PngRead& operator=(const PngRead&) = delete;
};

// ---- JPEG ---------------------------------------------------------------
// libjpeg reports a fatal error through error_exit, which must not return.
// It jumps back to RunJpegDecode; the frames it leaves hold only plain data,
// and everything that needs releasing sits in the caller's JpegJob.

struct JpegErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

struct JpegJob {
  jpeg_decompress_struct info;
  JpegErrorTrap trap;
  jpeg_progress_mgr progress;
  const std::uint8_t* data;
  unsigned long size;
  HBITMAP bitmap;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  // err points at the manager, the first member of the trap.
  std::longjmp(reinterpret_cast<JpegErrorTrap*>(cinfo->err)->jump, 1);
}

// Warnings about corrupt data would go to stderr; the picture speaks for itself.
void JpegDropMessage(j_common_ptr) {}

// A progressive file can hold thousands of tiny scans, each a pass over all
// coefficients: a few hundred bytes that keep the decoder busy for minutes.
constexpr int kMaxJpegScans = 500;

void JpegWatchScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans)
    JpegErrorExit(cinfo);
}

// The decode proper; an error leaves it by longjmp at any call into libjpeg.
bool DecodeJpegSteps(JpegJob& job) {
  j_decompress_ptr info = &job.info;
  jpeg_create_decompress(info);
  job.progress.progress_monitor = JpegWatchScans;
  info->progress = &job.progress;
  // Working memory, not the picture: a progressive file of the largest
  // allowed size keeps all its coefficients, more than the pixels it gives.
  info->mem->max_memory_to_use = static_cast<long>(kMaxImageBytes * 4);
  jpeg_mem_src(info, job.data, job.size);
  jpeg_read_header(info, TRUE);
  if (!ImageSizeAllowed(info->image_width, info->image_height)) return false;
  // libjpeg converts everything but CMYK to BGRA itself; CMYK comes out as
  // four bytes a pixel too and is converted in place.
  const bool cmyk = info->jpeg_color_space == JCS_CMYK || info->jpeg_color_space == JCS_YCCK;
  info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(info);
  if (info->output_components != 4 || info->output_width != info->image_width ||
      info->output_height != info->image_height)
    return false;
  std::uint8_t* bits = nullptr;
  job.bitmap = CreateTopDownDib(info->output_width, info->output_height, &bits);
  if (!job.bitmap) return false;
  const std::size_t stride = std::size_t{info->output_width} * 4;
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = bits + std::size_t{info->output_scanline} * stride;
    // A memory source never suspends, so 0 rows cannot mean "come back later".
    if (jpeg_read_scanlines(info, &row, 1) != 1) return false;
  }
  if (cmyk) ConvertCmykToBgra({bits, stride * info->output_height}, info->saw_Adobe_marker);
  // Data after the last row is not needed: jpeg_finish_decompress would only
  // read on to EOI, and the caller's destroy releases everything.
  return true;
}

// No locals at all, so the longjmp into this frame skips no destructor.
bool RunJpegDecode(JpegJob& job) {
  job.info.err = jpeg_std_error(&job.trap.manager);
  job.trap.manager.error_exit = JpegErrorExit;
  job.trap.manager.output_message = JpegDropMessage;
  if (setjmp(job.trap.jump)) return false;
  return DecodeJpegSteps(job);
}

}  // namespace

HBITMAP BitmapFromPixels(const PixelImage& image) {
  const auto width = static_cast<std::uint64_t>(image.width);
  const auto height = static_cast<std::uint64_t>(image.height);
  if (image.width <= 0 || image.height <= 0 || image.bgra.size() != width * height * 4) return nullptr;
  std::uint8_t* bits = nullptr;
  OwnedBitmap bitmap(CreateTopDownDib(width, height, &bits));
  if (!bitmap) return nullptr;
  std::memcpy(bits, image.bgra.data(), image.bgra.size());
  return bitmap.release();
}

HBITMAP DecodePngToBitmap(std::span<const std::uint8_t> bytes) {
  if (SniffImageFormat(bytes) != ImageFormat::Png) return nullptr;
  PngRead png;
  if (!png_image_begin_read_from_memory(&png.image, bytes.data(), bytes.size())) return nullptr;
  // Only the header has been read: refuse huge claims before any allocation.
  if (!ImageSizeAllowed(png.image.width, png.image.height)) return nullptr;
  png.image.format = PNG_FORMAT_BGRA;
  std::uint8_t* bits = nullptr;
  OwnedBitmap bitmap(CreateTopDownDib(png.image.width, png.image.height, &bits));
  if (!bitmap) return nullptr;
  const auto stride = static_cast<png_int_32>(png.image.width * 4);
  if (!png_image_finish_read(&png.image, nullptr, bits, stride, nullptr)) return nullptr;
  PremultiplyAlpha({bits, std::size_t{png.image.width} * 4 * png.image.height});
  return bitmap.release();
}

HBITMAP DecodeJpegToBitmap(std::span<const std::uint8_t> bytes) {
  if (SniffImageFormat(bytes) != ImageFormat::Jpeg || bytes.size() > ULONG_MAX) return nullptr;
  // Zeroed, so destroying is safe whatever point the decode reached.
  auto job = std::make_unique<JpegJob>();
  job->data = bytes.data();
  job->size = static_cast<unsigned long>(bytes.size());
  const bool ok = RunJpegDecode(*job);
  jpeg_destroy_decompress(&job->info);
  OwnedBitmap bitmap(job->bitmap);
  return ok ? bitmap.release() : nullptr;
}

HBITMAP DecodeImageToBitmap(std::span<const std::uint8_t> bytes) {
  std::optional<PixelImage> pixels;
  switch (SniffImageFormat(bytes)) {
    case ImageFormat::Png:
      return DecodePngToBitmap(bytes);
    case ImageFormat::Jpeg:
      return DecodeJpegToBitmap(bytes);
    case ImageFormat::Bmp:
      pixels = DecodeBmpFile(bytes);
      break;
    case ImageFormat::Dib:
      pixels = DecodeDib(bytes);
      break;
    case ImageFormat::Unknown:
      break;
  }
  return pixels ? BitmapFromPixels(*pixels) : nullptr;
}

HBITMAP DecodeIconToBitmap(std::span<const std::uint8_t> bytes) {
  if (SniffImageFormat(bytes) == ImageFormat::Png) return DecodePngToBitmap(bytes);
  const auto pixels = DecodeIconDib(bytes);
  return pixels ? BitmapFromPixels(*pixels) : nullptr;
}

HBITMAP DecodeCursorToBitmap(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4) return nullptr;
  return DecodeIconToBitmap(bytes.subspan(4));
}

}  // namespace vantorel
