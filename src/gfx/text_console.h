// TextConsole: the 23 x 39 character grid of the loading screen.
#pragma once

#include <cstdint>

class BitmapFont;

class TextConsole {
   public:
    static constexpr int ROWS = 23;
    static constexpr int COLUMNS = 39;
    static constexpr int MAX_PROGRESS_STEPS = 28;

    // The singleton; the first call creates an empty console without a font.
    static TextConsole* instance();
    ~TextConsole();

    void setFont(BitmapFont* font);  // not owned
    void setCursor(int column, int row);
    // Writes text into the cells, wrapping at column 38 and scrolling at row 22.
    void print(const char* text);
    // Draws every cell (on white if clearFirst) and presents the Screen.
    void render(bool clearFirst);
    // One loading-bar step: two filled cells and the moving head. At most 28
    // steps take effect; later calls change and redraw nothing.
    void advanceProgress();

    uint8_t cells[ROWS][COLUMNS] = {};
    BitmapFont* font = nullptr;
    int32_t cursorColumn = 0;
    int32_t cursorRow = 0;
    int32_t progressStep = 0;

   private:
    TextConsole() = default;
    void putChar(char c);
    void scroll();
};
