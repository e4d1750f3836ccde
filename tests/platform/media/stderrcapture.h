#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

// Collects what is written to standard error, at the descriptor level, for its lifetime.
class StderrCapture {
public:
    StderrCapture() {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    QString text() {
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        QFile f(m_file.fileName());
        f.open(QIODevice::ReadOnly);
        return QString::fromLocal8Bit(f.readAll());
    }

private:
    QTemporaryFile m_file;
    int m_saved = -1;
};
