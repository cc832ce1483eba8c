#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

// Each test folder builds one executable holding several QtTest classes;
// ZETTLOR_TEST_CLASS(Name) registers one, and the shared main runs them all.
using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<TestFactory> &RegisteredTests();

struct TestRegistration
{
    explicit TestRegistration(TestFactory factory) { RegisteredTests().push_back(std::move(factory)); }
};

#define ZETTLOR_TEST_CLASS(Name)                                                                   \
    static const TestRegistration Name##Registration{[] { return std::make_unique<Name>(); }};
