#include "scriptedprompts.h"

#include <QFileInfo>
#include <gtest/gtest.h>

namespace {
// In the order of ScriptedPrompts::Kind.
const char* const kKindNames[] = {"message box", "input box", "open dialog", "save dialog", "folder chooser"};
const char* kindName(ScriptedPrompts::Kind k) {
    return kKindNames[int(k)];
}
} // namespace

ScriptedPrompts::ScriptedPrompts() {
    m_previous = platform::setPrompts(this);
}

ScriptedPrompts::~ScriptedPrompts() {
    platform::setPrompts(m_previous);
    EXPECT_TRUE(m_queue.empty()) << m_queue.size() << " scripted answer(s) were never asked for";
}

ScriptedPrompts& ScriptedPrompts::answer(platform::Answer a) {
    m_queue.emplace_back(a);
    return *this;
}

ScriptedPrompts& ScriptedPrompts::answerInput(const QString& text) {
    m_queue.emplace_back(text);
    return *this;
}

ScriptedPrompts& ScriptedPrompts::answerFile(const QString& path, int filterIndex) {
    m_queue.emplace_back(FileAnswer{path, filterIndex});
    return *this;
}

ScriptedPrompts& ScriptedPrompts::answerFolder(const QString& path) {
    m_queue.emplace_back(FileAnswer{path, -1});
    return *this;
}

const ScriptedPrompts::Record& ScriptedPrompts::last() const {
    static const Record none{Kind::Message, {}, {}, {}, {}, {}, {}, {}};
    if (m_records.empty()) {
        ADD_FAILURE() << "no prompt was shown";
        return none;
    }
    return m_records.back();
}

template <class T> bool ScriptedPrompts::take(Kind kind, T& out) {
    const Record& r = m_records.back();
    if (m_queue.empty()) {
        ADD_FAILURE() << "unexpected " << kindName(kind) << ": \"" << r.text.toStdString() << "\" titled \""
                      << r.title.toStdString() << "\"";
        return false;
    }
    if (!std::holds_alternative<T>(m_queue.front())) {
        ADD_FAILURE() << "the next scripted answer does not fit a " << kindName(kind) << ": \""
                      << r.text.toStdString() << "\"";
        m_queue.pop_front();
        return false;
    }
    out = std::get<T>(m_queue.front());
    m_queue.pop_front();
    return true;
}

platform::Answer ScriptedPrompts::message(const QString& text, platform::Buttons buttons, platform::Icon icon,
                                          const QString& title) {
    m_records.push_back({Kind::Message, text, title, buttons, icon, {}, {}, {}});
    return answerMessage(buttons);
}

platform::Answer ScriptedPrompts::ask(const QString& text, platform::Buttons buttons, platform::Icon icon,
                                      const QString& title, platform::Answer defaultAnswer) {
    m_records.push_back({Kind::Message, text, title, buttons, icon, {}, {}, defaultAnswer});
    return answerMessage(buttons);
}

platform::Answer ScriptedPrompts::answerMessage(platform::Buttons buttons) {
    platform::Answer a = platform::Answer::Cancel;
    if (!take(Kind::Message, a))
        return buttons == platform::Buttons::Ok ? platform::Answer::Ok : platform::Answer::Cancel;
    return a;
}

QString ScriptedPrompts::input(const QString& prompt, const QString& title, const QString& defaultText) {
    m_records.push_back(
        {Kind::Input, prompt, title, platform::Buttons::OkCancel, platform::Icon::None, defaultText, {}, {}});
    QString s;
    take(Kind::Input, s);
    return s;
}

platform::FileDialogResult ScriptedPrompts::fileDialog(Kind kind,
                                                       const platform::FileDialogRequest& request) {
    m_records.push_back({kind,
                         request.title,
                         request.title,
                         platform::Buttons::OkCancel,
                         platform::Icon::None,
                         {},
                         request,
                         {}});
    FileAnswer f;
    take(kind, f);
    platform::FileDialogResult r;
    if (!f.path.isEmpty()) {
        r.fileName = f.path;
        r.fileTitle = QFileInfo(f.path).fileName();
        r.filterIndex = f.filterIndex;
    }
    return r;
}

platform::FileDialogResult ScriptedPrompts::openFile(const platform::FileDialogRequest& request) {
    return fileDialog(Kind::OpenFile, request);
}

platform::FileDialogResult ScriptedPrompts::saveFile(const platform::FileDialogRequest& request) {
    return fileDialog(Kind::SaveFile, request);
}

QString ScriptedPrompts::chooseFolder(const QString& title, const QString& initialDir) {
    platform::FileDialogRequest request;
    request.title = title;
    request.initialDir = initialDir;
    m_records.push_back(
        {Kind::Folder, title, title, platform::Buttons::OkCancel, platform::Icon::None, {}, request, {}});
    FileAnswer f;
    take(Kind::Folder, f);
    return f.path;
}
