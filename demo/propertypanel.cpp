#include "propertypanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "component/controlerror.h"
#include "core/numbertext.h"
#include "ui/prompts.h"

namespace {

// A getter may refuse (a value text that is no number); the panel shows why.
QVariant readProperty(QObject* target, const QMetaProperty& p, QString* error) {
    try {
        return p.read(target);
    } catch (const platform::component::ControlError& e) {
        *error = e.message();
        return {};
    }
}

// Controls hand pictures over as images or as pixmaps; the panel speaks both.
QVariant pictureVariant(const QMetaProperty& p, const QImage& image) {
    if (p.typeId() == QMetaType::QPixmap)
        return QPixmap::fromImage(image);
    return image;
}

QImage pictureOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QPixmap)
        return v.value<QPixmap>().toImage();
    return v.value<QImage>();
}

// The description a control gives a member of its interface (empty when it gives none).
QString describe(QObject* target, const char* name) {
    QString text;
    if (target->metaObject()->indexOfMethod("memberDescription(QString)") >= 0)
        QMetaObject::invokeMethod(target, "memberDescription", Q_RETURN_ARG(QString, text),
                                  Q_ARG(QString, QString::fromLatin1(name)));
    return text;
}

bool isColour(const QMetaProperty& p) {
    return p.typeId() == QMetaType::UInt && QByteArray(p.name()).endsWith("Color");
}

} // namespace

PropertyPanel::PropertyPanel(QWidget* parent) : QWidget(parent) {
    auto* all = new QVBoxLayout(this);
    m_form = new QFormLayout;
    all->addLayout(m_form);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    all->addWidget(m_status);
    all->addStretch(1);
}

void PropertyPanel::setTarget(QObject* target) {
    if (m_target)
        disconnect(m_target, nullptr, this, nullptr);
    m_target = target;
    // A control that reports refused late-bound assignments as an event (Glissor's Error) tells the panel.
    if (m_target && m_target->metaObject()->indexOfSignal("Error(int,QString)") >= 0)
        connect(m_target, SIGNAL(Error(int, QString)), this, SLOT(showError(int, QString)));
    rebuild();
}

void PropertyPanel::assign(const char* name, const QVariant& value) {
    m_status->setText(QStringLiteral("%1 assigned.").arg(QString::fromLatin1(name)));
    m_target->setProperty(name, value);
    refresh();
}

void PropertyPanel::showError(int Number, const QString& Description) {
    m_status->setText(QStringLiteral("Error %1: %2").arg(Number).arg(Description));
}

void PropertyPanel::refresh() {
    for (const auto& read : m_readers)
        read();
}

void PropertyPanel::rebuild() {
    while (m_form->rowCount() > 0)
        m_form->removeRow(0);
    m_readers.clear();
    if (!m_target)
        return;
    const QMetaObject* meta = m_target->metaObject();
    for (int i = QWidget::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        const char* name = p.name();
        QWidget* editor = nullptr;
        if (!p.isWritable()) {
            auto* label = new QLabel(this);
            m_readers.push_back([=, this] {
                QString error;
                const QVariant v = readProperty(m_target, p, &error);
                label->setText(error.isEmpty() ? v.toString() : error);
            });
            editor = label;
        } else if (p.typeId() == QMetaType::Bool) {
            auto* box = new QCheckBox(this);
            connect(box, &QCheckBox::clicked, this, [=, this](bool on) { assign(name, on); });
            m_readers.push_back([=, this] {
                QString error;
                const QSignalBlocker block(box);
                box->setChecked(readProperty(m_target, p, &error).toBool());
                box->setToolTip(error);
            });
            editor = box;
        } else if (p.typeId() == QMetaType::QImage || p.typeId() == QMetaType::QPixmap) {
            auto* row = new QWidget(this);
            auto* h = new QHBoxLayout(row);
            h->setContentsMargins(0, 0, 0, 0);
            auto* size = new QLabel(row);
            auto* load = new QPushButton(QStringLiteral("Load..."), row);
            auto* none = new QPushButton(QStringLiteral("None"), row);
            h->addWidget(size, 1);
            h->addWidget(load);
            h->addWidget(none);
            connect(load, &QPushButton::clicked, this, [=, this] {
                platform::FileDialogRequest request;
                request.filter = QStringLiteral("Pictures (*.png;*.bmp;*.jpg)|*.png;*.bmp;*.jpg");
                request.title = QString::fromLatin1(name);
                const auto file = platform::prompts().openFile(request);
                if (!file.cancelled())
                    assign(name, pictureVariant(p, QImage(file.fileName)));
            });
            connect(none, &QPushButton::clicked, this,
                    [=, this] { assign(name, pictureVariant(p, QImage())); });
            m_readers.push_back([=, this] {
                QString error;
                const QImage img = pictureOf(readProperty(m_target, p, &error));
                size->setText(img.isNull() ? QStringLiteral("(none)")
                                           : QStringLiteral("%1 x %2").arg(img.width()).arg(img.height()));
            });
            editor = row;
        } else if (p.typeId() == QMetaType::QFont) {
            auto* button = new QPushButton(this);
            connect(button, &QPushButton::clicked, this, [=, this] {
                bool ok = false;
                const QFont f = QFontDialog::getFont(&ok, p.read(m_target).value<QFont>(), this);
                if (ok)
                    assign(name, f);
            });
            m_readers.push_back([=, this] {
                const QFont f = p.read(m_target).value<QFont>();
                button->setText(QStringLiteral("%1, %2 pt").arg(f.family()).arg(f.pointSizeF()));
            });
            editor = button;
        } else if (p.isEnumType()) {
            auto* combo = new QComboBox(this);
            const QMetaEnum e = p.enumerator();
            for (int k = 0; k < e.keyCount(); ++k)
                combo->addItem(QString::fromLatin1(e.key(k)), e.value(k));
            connect(combo, &QComboBox::activated, this,
                    [=, this](int index) { assign(name, combo->itemData(index)); });
            m_readers.push_back([=, this] {
                const QSignalBlocker block(combo);
                combo->setCurrentIndex(combo->findData(p.read(m_target).toInt()));
            });
            editor = combo;
        } else {
            auto* edit = new QLineEdit(this);
            const bool colour = isColour(p);
            connect(edit, &QLineEdit::editingFinished, this, [=, this] {
                const QString text = edit->text().trimmed();
                if (colour) {
                    bool ok = false;
                    const uint c = text.toUInt(&ok, 16);
                    if (ok)
                        assign(name, c);
                } else if (p.typeId() == QMetaType::QString) {
                    assign(name, text);
                } else if (auto n = platform::textToNumberStrict(text)) {
                    QVariant v(*n);
                    v.convert(p.metaType());
                    assign(name, v);
                } else {
                    m_status->setText(QStringLiteral("%1: not a number").arg(QString::fromLatin1(name)));
                }
            });
            m_readers.push_back([=, this] {
                QString error;
                const QVariant v = readProperty(m_target, p, &error);
                if (!error.isEmpty())
                    edit->setText(error);
                else if (colour)
                    edit->setText(QStringLiteral("%1").arg(v.toUInt(), 8, 16, QLatin1Char('0')).toUpper());
                else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
                    edit->setText(platform::numberToText(v.toDouble()));
                else
                    edit->setText(v.toString());
            });
            editor = edit;
        }
        auto* label = new QLabel(QString::fromLatin1(name), this);
        const QString description = describe(m_target, name);
        label->setToolTip(description);
        if (editor->toolTip().isEmpty())
            editor->setToolTip(description);
        m_form->addRow(label, editor);
    }
    refresh();
}
