#pragma once

#include <QLabel>
#include <QUrl>

// A static text that is a web link: underlined in the link colour, a hand cursor over it,
// and a click (or Enter or Space once it has the focus) opens the link through the desktop.
class CHyperLink : public QLabel {
    Q_OBJECT

public:
    explicit CHyperLink(const QUrl& url, const QString& text = {}, QWidget* parent = nullptr);

    QUrl GetUrl() const { return m_url; }
    // Opens the link; false when the desktop could not.
    bool Open();

signals:
    void opened(const QUrl& url, bool ok);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QUrl m_url;
};
