#pragma once

#include <QThread>

#include <cstdio>

// For the child programs a test kills at a chosen moment: says where it
// stopped on its standard output (the test waits for that line), then
// stops for good.
[[noreturn]] inline void detenteTrasAnunciar(const QByteArray &linea)
{
    std::printf("%s\n", linea.constData());
    std::fflush(stdout);
    for (;;)
        QThread::sleep(60);
}
