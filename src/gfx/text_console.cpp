// The loading screen's console: cells, cursor rules and the progress bar.
#include "gfx/text_console.h"

#include <cstring>

#include "display/screen.h"
#include "gfx/bitmap_font.h"

namespace {
TextConsole* theConsole = nullptr;
}

TextConsole* TextConsole::instance() {
    if (!theConsole) theConsole = new TextConsole();
    return theConsole;
}

TextConsole::~TextConsole() {
    if (theConsole == this) theConsole = nullptr;
}

void TextConsole::setFont(BitmapFont* f) { font = f; }

void TextConsole::setCursor(int column, int row) {
    cursorColumn = column;
    cursorRow = row;
}

void TextConsole::scroll() {
    memmove(cells[0], cells[1], sizeof(cells) - sizeof(cells[0]));
    memset(cells[ROWS - 1], 0, sizeof(cells[0]));
    cursorColumn = 0;
    cursorRow = ROWS - 1;
}

void TextConsole::putChar(char c) {
    if (c == '\n') {
        cursorRow += 1;
        cursorColumn = 0;
        if (cursorRow > ROWS - 1) scroll();
    } else {
        // The cursor is stored unchecked; a write outside the grid is dropped
        // rather than landing in memory that is not a cell.
        if (cursorRow >= 0 && cursorRow < ROWS && cursorColumn >= 0 && cursorColumn < COLUMNS)
            cells[cursorRow][cursorColumn] = static_cast<uint8_t>(c);
        cursorColumn += 1;
    }
    if (cursorColumn > COLUMNS - 1) {
        cursorColumn = 0;
        cursorRow += 1;
        if (cursorRow > ROWS - 1) scroll();
    }
}

void TextConsole::print(const char* text) {
    const size_t length = strlen(text);
    for (size_t i = 0; i < length; i++) putChar(text[i]);
}

void TextConsole::render(bool clearFirst) {
    Screen* screen = Screen::instance();
    if (clearFirst) memset(screen->backBuffer, 0xFF, SCREEN_PIXELS * sizeof(uint16_t));
    if (font) {
        for (int r = 0; r < ROWS; r++) {
            for (int c = 0; c < COLUMNS; c++) {
                const char text[2] = {static_cast<char>(cells[r][c]), 0};
                if (text[0]) font->drawText(5 + 8 * c, 5 + 10 * r, text);
            }
        }
    }
    screen->present();
}

void TextConsole::advanceProgress() {
    if (progressStep > MAX_PROGRESS_STEPS - 1) return;
    cursorColumn -= 1;
    print("f");
    print("f");
    if (progressStep == 0)
        print("d");
    else if (progressStep == MAX_PROGRESS_STEPS - 1)
        print("f");
    else
        print("e");
    progressStep += 1;
    render(true);
}
