#pragma once
#include <memory>
#include <QCoreApplication>

// The part of inkwright-tool that finds a command and runs it, shared by the
// program and by the library of the commands that need more than Qt Core and
// the store (see main.cpp): each passes the application object it can make.
using MakeApplication = std::unique_ptr<QCoreApplication> (*)(int& argc, char* argv[], bool gui);

// Whether `name` is a command this binary holds.
bool holdsToolCommand(const char* name);

// Runs the command argv[1] names (or prints the usage); returns the exit
// status.
int runToolCommand(int argc, char* argv[], MakeApplication makeApplication);
