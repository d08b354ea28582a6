#include "shell/PlayerScenes.h"

#include "scenes/Class_CGlib.h"
#include "scenes/Class_End.h"
#include "scenes/Class_LOGO.h"
#include "scenes/Class_MsLog.h"
#include "scenes/Class_Scroll.h"
#include "scenes/Class_Sound.h"
#include "script/Class_Story.h"
#include "shell/Class_Title.h"

namespace vantel {

void RegisterPlayerScenes() {
  RegisterLogoScene();
  RegisterTitleScene();
  RegisterStoryScene();
  RegisterEndScene();
  RegisterGalleryScene();
  RegisterMusicRoomScene();
  RegisterScrollScene();
  RegisterMessageLogScene();
}

}  // namespace vantel
