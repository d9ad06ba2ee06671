// The baseline of a program's start: a bare Qt Core program that prints a
// version as `tendal --version` does.
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << "Tendal 0.0.0\n";
    return 0;
}
