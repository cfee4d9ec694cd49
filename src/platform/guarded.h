#pragma once

#include "platform/prompts.h"
#include "store/errors.h"

#include <exception>

// Runs one operator action, one handler or one step of building a window. An error that
// it did not handle itself is shown in the error box and the action is abandoned; the
// program goes on. Returns whether the action ran to its end.
template <typename F> bool guarded(Prompts& prompts, F&& action)
{
    try {
        action();
        return true;
    } catch (const KovraError& e) {
        prompts.error(e.boxText());
    } catch (const std::exception& e) {
        prompts.error(QString::fromLocal8Bit(e.what()));
    }
    return false;
}
