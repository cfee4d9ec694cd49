#include "controls/gridframe.h"

#include "controls/datagrid.h"
#include "controls/dbnavigator.h"

#include <QGroupBox>
#include <QVBoxLayout>

GridFrame buildGridFrame(QWidget& window, Prompts& prompts)
{
    GridFrame f;
    f.frame = new QGroupBox(&window);
    f.frame->setObjectName(QStringLiteral("gb1"));
    f.grid = new DataGrid(f.frame);
    f.grid->setObjectName(QStringLiteral("g1"));
    f.grid->enableFind(prompts);
    f.grid->setFocusPolicy(Qt::ClickFocus);
    f.panel = new QWidget(f.frame);
    f.panel->setFixedHeight(34);
    f.navigator = new DbNavigator(prompts, f.panel);
    f.navigator->setObjectName(QStringLiteral("DBNavigator1"));
    f.navigator->setConfirmDelete(false);
    f.navigator->move(4, 4);

    auto* frameLayout = new QVBoxLayout(f.frame);
    frameLayout->setContentsMargins(4, 4, 4, 0);
    frameLayout->addWidget(f.grid, 1);
    frameLayout->addWidget(f.panel);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(f.frame);
    return f;
}
