#include "TestRegistry.h"

#include <QApplication>
#include <QTest>

std::vector<TestFactory> &RegisteredTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

// Runs every registered class. An argument "Class::function" (or "Class::")
// runs only that class, with the function name passed on to QtTest.
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList arguments = QApplication::arguments();
    QString onlyClass;
    for (QString &argument : arguments) {
        const qsizetype colons = argument.indexOf(QLatin1String("::"));
        if (colons > 0 && !argument.startsWith(QLatin1Char('-'))) {
            onlyClass = argument.left(colons);
            argument = argument.mid(colons + 2);
        }
    }
    arguments.removeAll(QString());
    int failures = 0;
    for (const TestFactory &factory : RegisteredTests()) {
        const std::unique_ptr<QObject> test = factory();
        if (!onlyClass.isEmpty() && onlyClass != QLatin1String(test->metaObject()->className()))
            continue;
        failures += QTest::qExec(test.get(), arguments);
    }
    return failures == 0 ? 0 : 1;
}
