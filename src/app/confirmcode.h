#pragma once

#include <QColor>
#include <QString>

#include <array>

class Prompts;
class RandomSource;

// The code an operator must type before the whole log of a band is erased: five letters
// drawn at random, each at a random height in a random colour.
struct ConfirmationCode
{
    QString letters;
    std::array<int, 5> tops{};
    std::array<QColor, 5> colors;
};

// For each position in turn: the letter, then the top (10 or 20), then the colour.
ConfirmationCode drawConfirmationCode(RandomSource& random);

// Shows the code; true only when the operator typed it exactly and pressed "Ввод".
// A wrong code is answered with "Код введен не верно!".
bool ConfirmDeleteCode(Prompts& prompts, RandomSource& random);
