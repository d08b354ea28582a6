#include "platform/sdl/DialogExtras.h"

#include <SDL.h>

#include <cstring>
#include <exception>
#include <string>

#include "platform/sdl/MenuView.h"
#include "platform/sdl/SpeechOutput.h"

namespace vantel {
namespace {

SDL_Renderer* paneRenderer = nullptr;
SDL_Texture* paneTexture = nullptr;
Picture paneShown;  // what the texture holds

void DropTexture() {
  if (paneTexture) SDL_DestroyTexture(paneTexture);
  paneTexture = nullptr;
  paneShown = Picture();
}

bool SamePicture(const Picture& a, const Picture& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.PixelFormat() == b.PixelFormat() &&
         std::memcmp(a.Data(), b.Data(), a.ByteSize()) == 0;
}

}  // namespace

void BeginSidePane(SDL_Renderer* renderer) {
  DropTexture();
  paneRenderer = renderer;
}

void EndSidePane() {
  DropTexture();
  paneRenderer = nullptr;
}

void DrawSidePane(const DialogModel& model, ImVec2 at, float s) {
  const int width = model.SideWidth();
  if (width <= 0 || !paneRenderer) return;
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const Picture* picture = model.SidePicture();
  if (!picture || picture->Empty() || picture->PixelFormat() != Picture::Format::BGR24) return;
  if (!paneTexture || !SamePicture(*picture, paneShown)) {
    DropTexture();
    paneTexture = SDL_CreateTexture(paneRenderer, SDL_PIXELFORMAT_BGR24, SDL_TEXTUREACCESS_STATIC,
                                    picture->Width(), picture->Height());
    if (!paneTexture) return;
    SDL_UpdateTexture(paneTexture, nullptr, picture->Data(), picture->Stride());
    paneShown = *picture;
  }
  const ImVec2 end(at.x + picture->Width() * s, at.y + picture->Height() * s);
  draw->AddImage(reinterpret_cast<ImTextureID>(paneTexture), at, end);
  draw->AddRect(ImVec2(at.x - 1, at.y - 1), ImVec2(end.x + 1, end.y + 1),
                IM_COL32(128, 128, 128, 255));
}

void SpeakDialogFocus(const DialogModel& model) {
  if (!FocusVoice()) return;
  std::string said;
  const bool question = dynamic_cast<const MessageBoxModel*>(&model) != nullptr;
  for (const DialogControl& c : model.Controls()) {
    if (question && c.id == MessageBoxModel::kText) said = MenuLabel(c.text, c.cp) + " ";
    if (c.id != model.Focus()) continue;
    if (c.kind == DialogControl::Kind::Grid) {
      if (c.row < 0 || c.row >= static_cast<int>(c.rows.size())) continue;
      for (size_t col = 0; col < c.columns.size() && col < c.rows[c.row].size(); ++col)
        if (c.columns[col] > 0) said += MenuLabel(c.rows[c.row][col], c.cp) + " ";
    } else {
      said += MenuLabel(c.text, c.cp);
    }
  }
  // An empty row or control says nothing of its own: the dialog's caption then.
  if (said.find_first_not_of(' ') == std::string::npos)
    said = MenuLabel(model.Caption(), CodePage::GBK);
  SpeakFocus(said);
}

}  // namespace vantel
