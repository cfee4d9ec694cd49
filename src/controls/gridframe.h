#pragma once

class DataGrid;
class DbNavigator;
class Prompts;
class QGroupBox;
class QWidget;

// The body of the small grid windows: a group box filling the window, and in it a grid
// (with find, focused by a click) above a 34-high panel with a navigator at its left that
// asks nothing before a delete. The window adds its own buttons to the panel.
struct GridFrame
{
    QGroupBox* frame;
    DataGrid* grid;
    QWidget* panel;
    DbNavigator* navigator;
};

GridFrame buildGridFrame(QWidget& window, Prompts& prompts);
