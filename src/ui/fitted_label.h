#pragma once

#include <QLabel>
#include <QString>

namespace tvx::ui {

// A label that never cuts its text in the middle: it wraps the text over as many lines as its
// height holds (anywhere in a long file name) and ends the last line with "…" only when even
// those are too few. The whole text is always its tooltip.
class FittedLabel final : public QLabel {
    Q_OBJECT

public:
    explicit FittedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return m_full; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    QString m_full;
};

}  // namespace tvx::ui
