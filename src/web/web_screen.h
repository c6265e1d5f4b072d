// Switches of the browser Screen (screen_web.cpp).
#pragma once

// Off: present() draws nothing (hash mode renders without showing each frame).
void setWebPresenting(bool on);
// On: every present() waits for the browser to paint, so the loading bar is
// seen growing while start-up runs in one call.
void setWebPaintAfterPresent(bool on);
// Scales and shows the back buffer once, whatever the switches say.
void showBackBufferNow();
