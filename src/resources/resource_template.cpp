#include "resources/resource_template.h"

#include <string>

namespace vantorel {

namespace {

// Menu item flags and the static control's picture styles.
constexpr std::uint16_t kMfPopup = 0x0010;
constexpr std::uint16_t kMfEnd = 0x0080;
constexpr std::uint16_t kMenuExPopup = 0x0001;
constexpr std::uint32_t kDsSetFont = 0x0040;
constexpr std::uint32_t kSsTypeMask = 0x001F;
constexpr std::uint32_t kSsIcon = 0x0003;
constexpr std::uint32_t kSsBitmap = 0x000E;
constexpr std::uint16_t kOrdinalMark = 0xFFFF;
constexpr std::uint16_t kStaticClassAtom = 0x0082;
// The platform takes class ids 0 to 5 for 0x80 to 0x85.
constexpr std::uint16_t kStaticClassShortId = 0x0002;
constexpr std::uint16_t kFirstClassAtom = 0x0080;
constexpr std::uint16_t kLastClassShortId = 0x0005;
// A placeholder: a visible-or-not child static with a frame and its text
// centred on one line, '&' shown as it is.
constexpr std::uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsBorder = 0x00800000;
constexpr std::uint32_t kSsCenter = 0x0001, kSsNoPrefix = 0x0080, kSsCenterImage = 0x0200;
constexpr std::uint32_t kPlaceholderStyle = kWsChild | kWsBorder | kSsCenter | kSsNoPrefix | kSsCenterImage;
// 0x7FFF as the point size stands for the system's message font: no
// weight, italic or face name follows.
constexpr std::uint16_t kMessageBoxFont = 0x7FFF;

// Fixed parts of the layouts, in bytes.
constexpr std::size_t kDialogExHeaderBeforeStyle = 12;  // version, signature, help id, extended style
constexpr std::size_t kDialogGeometry = 8;              // x, y, cx, cy
constexpr std::size_t kControlFixed = 18;               // style, extended style, geometry, 16-bit id
constexpr std::size_t kControlExFixed = 24;             // help id, extended style, style, geometry, 32-bit id
constexpr std::size_t kMenuExItemFixed = 12;            // type, state, id
constexpr std::size_t kMenuExHelpId = 4;

class Reader {
 public:
  Reader(std::span<const std::uint8_t> bytes, std::size_t misalignment) : bytes_(bytes), misalignment_(misalignment % 4) {}

  bool Word(std::uint16_t& out) {
    if (bytes_.size() - at_ < 2) return false;
    out = static_cast<std::uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
    at_ += 2;
    return true;
  }
  bool Dword(std::uint32_t& out) {
    std::uint16_t low = 0, high = 0;
    if (!Word(low) || !Word(high)) return false;
    out = low | std::uint32_t{high} << 16;
    return true;
  }
  std::size_t At() const { return at_; }
  bool Skip(std::size_t count) {
    if (count > bytes_.size() - at_) return false;
    at_ += count;
    return true;
  }
  // To the next address that is a multiple of `unit` (2 or 4).
  bool Align(std::size_t unit) { return Skip((unit - (misalignment_ + at_) % unit) % unit); }
  // A zero-terminated UTF-16 string; the text is kept when asked for.
  bool String(std::u16string* text = nullptr) {
    for (;;) {
      std::uint16_t c = 0;
      if (!Word(c)) return false;
      if (c == 0) return true;
      if (text) text->push_back(static_cast<char16_t>(c));
    }
  }
  // An empty field, the ordinal mark and an ordinal, or a string whose
  // first character is the one already read.
  bool NameOrOrdinal(ResourceId* name = nullptr) {
    std::uint16_t first = 0;
    if (!Word(first)) return false;
    if (first == 0) return true;
    if (first == kOrdinalMark) {
      std::uint16_t id = 0;
      if (!Word(id)) return false;
      if (name) *name = ResourceId{id, {}};
      return true;
    }
    std::u16string text(1, static_cast<char16_t>(first));
    if (!String(name ? &text : nullptr)) return false;
    if (name) *name = ResourceId{0, std::move(text)};
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t misalignment_;
  std::size_t at_ = 0;
};

class MenuWalk {
 public:
  explicit MenuWalk(Reader& r) : r_(r) {}

  // Items until one carries the end flag; a popup's items follow it at once.
  bool Items(int depth) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
      std::uint16_t flags = 0;
      if (!Counted() || !r_.Word(flags)) return false;
      if (!(flags & kMfPopup) && !r_.Skip(2)) return false;  // the command id
      if (!r_.String()) return false;
      if ((flags & kMfPopup) && !Items(depth + 1)) return false;
      if (flags & kMfEnd) return true;
    }
  }

  // The extended layout: text on a WORD boundary, what follows it on a
  // DWORD boundary, a popup's help id before its items.
  bool ExtendedItems(int depth) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
      std::uint16_t info = 0;
      if (!Counted() || !r_.Skip(kMenuExItemFixed) || !r_.Word(info) || !r_.Align(2) || !r_.String() ||
          !r_.Align(4)) {
        return false;
      }
      if ((info & kMenuExPopup) && (!r_.Skip(kMenuExHelpId) || !ExtendedItems(depth + 1))) return false;
      if (info & kMfEnd) return true;
    }
  }

 private:
  bool Counted() { return ++items_ <= kMaxMenuItems; }
  Reader& r_;
  std::size_t items_ = 0;
};

bool IsStaticClass(const ResourceId& cls) {
  if (!cls.IsString()) return cls.id == kStaticClassAtom || cls.id == kStaticClassShortId;
  constexpr char16_t kName[] = u"static";
  if (cls.text.size() != 6) return false;
  for (std::size_t i = 0; i < 6; ++i) {
    char16_t c = cls.text[i];
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (c != kName[i]) return false;
  }
  return true;
}

}  // namespace

bool WalkMenuTemplate(std::span<const std::uint8_t> bytes, std::size_t misalignment) {
  if (bytes.size() > kMaxTemplateBytes) return false;
  Reader r(bytes, misalignment);
  std::uint16_t version = 0, offset = 0;
  // The header's offset counts from its own end in both layouts.
  if (!r.Word(version) || !r.Word(offset) || !r.Skip(offset)) return false;
  MenuWalk walk(r);
  if (version == 0) return walk.Items(0);
  if (version == 1) return walk.ExtendedItems(0);
  return false;
}

bool IsPredefinedControlClass(const ResourceId& windowClass) {
  if (windowClass.IsString()) return false;
  return windowClass.id <= kLastClassShortId ||
         (windowClass.id >= kFirstClassAtom && windowClass.id <= kFirstClassAtom + kLastClassShortId);
}

std::u16string ControlClassText(const ResourceId& windowClass) {
  if (windowClass.IsString()) return windowClass.text;
  std::u16string text = u"#";
  for (char c : std::to_string(windowClass.id)) text.push_back(static_cast<char16_t>(c));
  return text;
}

std::optional<DialogTemplateFacts> WalkDialogTemplate(std::span<const std::uint8_t> bytes, std::size_t misalignment) {
  if (bytes.size() > kMaxTemplateBytes) return std::nullopt;
  Reader r(bytes, misalignment);
  DialogTemplateFacts facts;
  std::uint16_t version = 0, signature = 0, count = 0;
  if (!r.Word(version) || !r.Word(signature)) return std::nullopt;
  facts.extended = version == 1 && signature == kOrdinalMark;
  if (facts.extended) {
    facts.styleOffset = kDialogExHeaderBeforeStyle;
    if (!r.Skip(facts.styleOffset - 4) || !r.Dword(facts.style)) return std::nullopt;
  } else {
    // The plain layout starts with the style; the extended style follows it.
    facts.style = version | std::uint32_t{signature} << 16;
    if (!r.Skip(4)) return std::nullopt;
  }
  if (!r.Word(count) || !r.Skip(kDialogGeometry)) return std::nullopt;
  if (count > kMaxDialogControls) return std::nullopt;
  ResourceId menu;
  if (!r.NameOrOrdinal(&menu) || !r.NameOrOrdinal() || !r.String()) return std::nullopt;  // menu, class, caption
  if (menu.IsString() || menu.id != 0) facts.references.push_back({TemplateReference::Kind::Menu, menu});
  if (facts.style & kDsSetFont) {
    std::uint16_t points = 0;
    if (!r.Word(points)) return std::nullopt;
    if (points != kMessageBoxFont && ((facts.extended && !r.Skip(4)) || !r.String())) return std::nullopt;
  }
  for (std::uint16_t i = 0; i < count; ++i) {
    // Each control starts on a DWORD boundary.
    if (!r.Align(4)) return std::nullopt;
    const std::size_t begin = r.At();
    std::uint32_t style = 0;
    const bool read = facts.extended ? r.Skip(8) && r.Dword(style) && r.Skip(kControlExFixed - 12)
                                     : r.Dword(style) && r.Skip(kControlFixed - 4);
    ResourceId cls, text;
    std::uint16_t extra = 0;
    if (!read || !r.NameOrOrdinal(&cls)) return std::nullopt;
    const std::size_t titleBegin = r.At();
    if (!r.NameOrOrdinal(&text)) return std::nullopt;
    const std::size_t titleEnd = r.At();
    if (!r.Word(extra)) return std::nullopt;
    // The platform steps over the creation data a WORD at a time from its
    // count, so an odd count loses its last byte: the next control's
    // alignment decides where it starts.
    if (!r.Skip(extra / 2 * 2)) return std::nullopt;
    TemplateControl control{begin, r.At(), titleBegin, titleEnd, style, cls, text, std::nullopt};
    const std::uint32_t picture = style & kSsTypeMask;
    if (IsStaticClass(cls) && (picture == kSsIcon || picture == kSsBitmap)) {
      control.picture = picture == kSsIcon ? TemplateReference::Kind::Icon : TemplateReference::Kind::Bitmap;
      facts.references.push_back({*control.picture, text});
    }
    facts.items.push_back(std::move(control));
  }
  facts.controls = count;
  return facts;
}

namespace {

class TemplateWriter {
 public:
  explicit TemplateWriter(std::vector<std::uint8_t>& out) : out_(out) {}
  void Bytes(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  void Word(std::uint16_t value) {
    out_.push_back(static_cast<std::uint8_t>(value));
    out_.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  void Dword(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value));
    Word(static_cast<std::uint16_t>(value >> 16));
  }
  void String(const std::u16string& text) {
    for (char16_t c : text) Word(c);
    Word(0);
  }
  void AlignToDword() { out_.resize((out_.size() + 3) / 4 * 4, 0); }

 private:
  std::vector<std::uint8_t>& out_;
};

// Where a control's fields sit from its start in either layout.
constexpr std::size_t kControlGeometryAt = 8, kControlIdAt = 16;
constexpr std::size_t kControlExGeometryAt = 12, kControlExIdAt = 20;

}  // namespace

std::vector<std::uint8_t> RewriteControls(std::span<const std::uint8_t> bytes, const DialogTemplateFacts& facts,
                                          const std::vector<ControlRewrite>& rewrites) {
  std::vector<std::uint8_t> out;
  if (facts.items.empty() || facts.items.back().end > bytes.size()) return {bytes.begin(), bytes.end()};
  out.reserve(bytes.size());
  TemplateWriter w(out);
  w.Bytes(bytes.first(facts.items.front().begin));
  for (std::size_t i = 0; i < facts.items.size(); ++i) {
    const TemplateControl& c = facts.items[i];
    const auto control = bytes.subspan(c.begin, c.end - c.begin);
    w.AlignToDword();
    const ControlRewrite rewrite = i < rewrites.size() ? rewrites[i] : ControlRewrite::Keep;
    if (rewrite == ControlRewrite::Keep) {
      w.Bytes(control);
      continue;
    }
    if (rewrite == ControlRewrite::WithoutTitle) {
      w.Bytes(bytes.subspan(c.begin, c.titleBegin - c.begin));
      w.Word(0);
      w.Bytes(bytes.subspan(c.titleEnd, c.end - c.titleEnd));
      continue;
    }
    const std::uint32_t style = kPlaceholderStyle | (c.style & kWsVisible);
    if (facts.extended) {
      w.Bytes(control.first(4));  // help id
      w.Dword(0);                 // no extended style
      w.Dword(style);
      w.Bytes(control.subspan(kControlExGeometryAt, kDialogGeometry));
      w.Bytes(control.subspan(kControlExIdAt, 4));
    } else {
      w.Dword(style);
      w.Dword(0);
      w.Bytes(control.subspan(kControlGeometryAt, kDialogGeometry));
      w.Bytes(control.subspan(kControlIdAt, 2));
    }
    w.Word(kOrdinalMark);
    w.Word(kStaticClassAtom);
    w.String(ControlClassText(c.windowClass));
    w.Word(0);  // no creation data
  }
  return out;
}

}  // namespace vantorel
