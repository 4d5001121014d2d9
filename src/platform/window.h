#pragma once
// The window: creating it, fitting the logical canvas into it on every resize, fullscreen, and
// presenting the palette canvas as colours.
#include <cstdint>
#include <string>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Surface;

namespace dx {

struct IntRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

struct WindowState {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* hwCanvas = nullptr;    // streaming texture of the canvas size
  SDL_Surface* swCanvas32 = nullptr;  // 32-bit staging surface the canvas is converted into
  IntRect srcRect, dstRect;           // the canvas, and where it goes in the window
};

WindowState& windowState();
// Destroys the window and what belongs to it, if there is one, and restores the start-up defaults.
void resetWindowState();

void createWindow(const std::string& title, int w, int h, int scale, bool fullscreen);
void fixedSize(bool b);
void integerScale(bool b);
void resize();
void resize(int w, int h);
bool getFullscreen();
void setFullscreen(bool b);
void toggleFullscreen();

void flip();
void present();

}  // namespace dx
