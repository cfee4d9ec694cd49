#pragma once

#include <QDialog>
#include <QUrl>

class LinkLabel;
class QLabel;
struct Services;

// The about box, "О программе": the version, the authors, and the links to write to the
// authors, to the program's pages and to support it.
class Tfabout : public QDialog
{
    Q_OBJECT
public:
    // Every text takes `font`, the main window's.
    Tfabout(const Services& services, const QFont& font, QWidget* parent = nullptr);

    // The four link labels from top to bottom: e-mail, web site, forum, video channel.
    QList<LinkLabel*> links() const { return m_links; }
    // The three icons at the bottom left and the address each opens.
    QList<QLabel*> icons() const { return m_icons; }
    static QList<QUrl> iconAddresses();

private:
    QList<LinkLabel*> m_links;
    QList<QLabel*> m_icons;
};
