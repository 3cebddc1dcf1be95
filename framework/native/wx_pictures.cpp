// Decoded pictures: a picture checked by the display is decoded once, and what is drawn comes
// from that decode for as long as the picture lives and its bytes stay the same.
#include <wx/log.h>
#include <wx/mstream.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "wx_backend.h"

namespace native::detail {
namespace {

// Pictures larger than this many pixels are decoded again when drawn rather than kept meanwhile.
constexpr int64_t kMaxKeptPixels = int64_t{1} << 20;

/// A picture's decoded form, kept from its check to its drawing and from then on.
struct KeptPicture {
  std::weak_ptr<const fw::Object> owner;  // expired once the picture is gone
  const fw::Picture* picture = nullptr;
  std::size_t size = 0;  // of the bytes decoded: a change of the bytes drops the entry
  std::size_t hash = 0;
  wxImage image;    // until first drawn
  wxBitmap bitmap;  // from then on
};

std::vector<KeptPicture>& KeptPictures() {
  static std::vector<KeptPicture> kept;
  return kept;
}

std::size_t BytesHash(const fw::Picture& p) { return std::hash<std::string_view>{}(p.bytes); }

/// The live entry for `picture` whose bytes are still the ones decoded; drops expired entries.
KeptPicture* FindKept(const fw::Picture& picture) {
  std::vector<KeptPicture>& kept = KeptPictures();
  std::erase_if(kept, [](const KeptPicture& k) { return k.owner.expired(); });
  for (KeptPicture& k : kept) {
    if (k.picture != &picture) continue;
    if (k.size == picture.bytes.size() && k.hash == BytesHash(picture)) return &k;
    k.owner.reset();  // the bytes changed since: decoded afresh
    return nullptr;
  }
  return nullptr;
}

KeptPicture* Keep(const fw::Picture& picture) {
  std::weak_ptr<const fw::Object> owner = picture.weak_from_this();
  if (owner.expired()) return nullptr;  // not shared: its identity can't be followed
  KeptPicture* k = FindKept(picture);
  if (!k) k = &KeptPictures().emplace_back();
  *k = KeptPicture{std::move(owner), &picture, picture.bytes.size(), BytesHash(picture), {}, {}};
  return k;
}

}  // namespace

void KeepDecodedPicture(const fw::Picture& picture, const wxImage& image) {
  if (!image.IsOk() || int64_t{image.GetWidth()} * image.GetHeight() > kMaxKeptPixels) return;
  if (KeptPicture* k = Keep(picture)) k->image = image;
}

wxBitmap PictureBitmap(const fw::Ref<fw::Picture>& picture) {
  if (!picture || picture->bytes.empty()) return wxBitmap();
  if (KeptPicture* k = FindKept(*picture)) {
    if (!k->bitmap.IsOk() && k->image.IsOk()) {
      k->bitmap = wxBitmap(k->image);
      k->image = wxImage();
    }
    if (k->bitmap.IsOk()) return k->bitmap;
  }
  wxLogNull quiet;
  wxMemoryInputStream in(picture->bytes.data(), picture->bytes.size());
  wxImage image;
  if (!image.LoadFile(in, wxBITMAP_TYPE_PNG) || !image.IsOk()) return wxBitmap();
  wxBitmap bitmap(image);
  if (int64_t{image.GetWidth()} * image.GetHeight() <= kMaxKeptPixels) {
    if (KeptPicture* k = Keep(*picture)) k->bitmap = bitmap;
  }
  return bitmap;
}

void ForgetDecodedPictures() { KeptPictures().clear(); }

}  // namespace native::detail
