#include "platform/sdl/WindowNotice.h"

#include <SDL.h>

#include <algorithm>

#include "base/Picture.h"
#include "platform/FontText.h"

namespace vantel {

WindowNotice::~WindowNotice() {
  Drop();
}

void WindowNotice::Drop() {
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  showing_ = false;
}

void WindowNotice::Show(SDL_Renderer* renderer, const Bytes& text, CodePage cp, uint32_t now,
                        uint32_t ms) {
  Drop();
  if (!renderer || text.empty()) return;
  FontRequest font;
  font.height = 20;
  font.codePage = cp;
  TextService& service = SharedFontText();
  const TextExtent extent = service.Measure(font, text);
  constexpr int kPad = 8;
  width_ = std::min(extent.width + 2 * kPad, 780);
  height_ = extent.height + 2 * kPad;
  // Dark and slightly see-through, white letters: readable over any picture.
  Picture picture(width_, height_, Picture::Format::BGRA32, 0x202020);
  picture.Fill(0x202020, 210);
  service.Draw(picture, kPad, kPad, font, 0xFFFFFF, text);
  texture_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                               width_, height_);
  if (!texture_) return;
  SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_BLEND);
  SDL_UpdateTexture(texture_, nullptr, picture.Data(), picture.Stride());
  until_ = now + ms;
  showing_ = true;
}

bool WindowNotice::Ended(uint32_t now) {
  if (!showing_ || static_cast<int32_t>(now - until_) < 0) return false;
  Drop();
  return true;
}

void WindowNotice::Draw(SDL_Renderer* renderer, const ScreenRect& place) {
  if (!showing_ || !texture_ || !renderer) return;
  // At the picture's scale, 10 picture pixels in from its corner.
  const double scale = place.width / 800.0;
  const SDL_Rect dst{place.left + static_cast<int>(10 * scale),
                     place.top + static_cast<int>(10 * scale), static_cast<int>(width_ * scale),
                     static_cast<int>(height_ * scale)};
  SDL_RenderCopy(renderer, texture_, nullptr, &dst);
}

}  // namespace vantel
