#pragma once

#include <exception>
#include <utility>

// Some operations run step by step and skip a step that fails (a grid refusing
// a row, a control without the member asked for) instead of giving up. Each
// such step goes through tolerantStep, so the rule lives in one place.
template <typename Step> bool tolerantStep(Step &&step) noexcept
{
    try {
        std::forward<Step>(step)();
        return true;
    } catch (const std::exception &) {
        return false;
    }
}
