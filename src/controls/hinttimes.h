#pragma once

// A hint appears 50 ms after the mouse stops over a control and stays up to 55 s, over a
// control as over a grid's column title.
constexpr int kHintShowDelayMs = 50;
constexpr int kHintShowTimeMs = 55000;
