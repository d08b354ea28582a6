// The SDL2 platform: window, input, audio device and message boxes.
#include <SDL.h>
