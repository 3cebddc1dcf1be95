// Pictures as the native backend draws them: decoded once when checked, never stale.
#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/mstream.h>

#include <string>
#include <utility>

#include "framework/native/wx_backend.h"
#include "framework/display.h"
#include "framework/system.h"
#include "tests/display/display_support.h"

namespace display_test {
namespace {

using PictureTest = DisplayTest;

std::string PngOf(int width, int height, const wxColour& colour) {
  wxImage image(width, height);
  image.SetRGB(wxRect(0, 0, width, height), colour.Red(), colour.Green(), colour.Blue());
  wxMemoryOutputStream out;
  EXPECT_TRUE(image.SaveFile(out, wxBITMAP_TYPE_PNG));
  std::string bytes(out.GetLength(), '\0');
  out.CopyTo(bytes.data(), bytes.size());
  return bytes;
}

fw::Ref<fw::Picture> Checked(std::string bytes) {
  auto picture = fw::MakeObject<fw::Picture>(fw::Picture::Record());
  picture->bytes = std::move(bytes);
  EXPECT_TRUE(fw::CurrentDisplay().DecodePicture(*picture));
  return picture;
}

/// The size and top-left colour of a bitmap, as "WxH #rrggbb".
std::string Looks(const wxBitmap& bitmap) {
  if (!bitmap.IsOk()) return "none";
  const wxImage image = bitmap.ConvertToImage();
  const wxColour c(image.GetRed(0, 0), image.GetGreen(0, 0), image.GetBlue(0, 0));
  return std::to_string(image.GetWidth()) + "x" + std::to_string(image.GetHeight()) + " " +
         c.GetAsString(wxC2S_HTML_SYNTAX).ToStdString();
}

TEST_F(PictureTest, DrawnPictureFollowsItsBytesAndItsIdentity) {
  using native::detail::PictureBitmap;
  auto picture = Checked(PngOf(3, 2, wxColour(255, 0, 0)));
  EXPECT_EQ(Looks(PictureBitmap(picture)), "3x2 #FF0000");
  EXPECT_EQ(Looks(PictureBitmap(picture)), "3x2 #FF0000");  // drawn again from what is kept
  // Bytes changed after the check are what is drawn.
  picture->bytes = PngOf(4, 4, wxColour(0, 0, 255));
  EXPECT_EQ(Looks(PictureBitmap(picture)), "4x4 #0000FF");
  // A picture made once another is gone (often where it lived) draws its own pixels.
  picture.reset();
  auto next = Checked(PngOf(3, 2, wxColour(0, 255, 0)));
  EXPECT_EQ(Looks(PictureBitmap(next)), "3x2 #00FF00");
  // Bytes that are no picture draw nothing.
  next->bytes = "not a picture";
  EXPECT_EQ(Looks(PictureBitmap(next)), "none");
  EXPECT_EQ(Looks(PictureBitmap(nullptr)), "none");
}

}  // namespace
}  // namespace display_test
