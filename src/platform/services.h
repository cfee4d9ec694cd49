#pragma once

class Prompts;
class Clock;
class Desktop;
class RandomSource;

// The seams between the program and the person, the time and the desktop. The program
// gets the real ones; tests get fakes that script the answers and move the time.
struct Services
{
    Prompts& prompts;
    Clock& clock;
    Desktop& desktop;
    RandomSource& random;
};
