#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// Collects the motion events delivered through a motion-event callback, each with the index of
// the sample during which it arrived. `attach` it to a detector, or pass `&recorder` as the
// context and `onEvent` as the callback; set `sample` before each sample is fed.
struct MotionEventRecorder {
    int sample = 0;
    std::vector<std::pair<int, int>> events;  // (sample index, event code)

    static void onEvent(void* context, int event) {
        auto* self = static_cast<MotionEventRecorder*>(context);
        self->events.emplace_back(self->sample, event);
    }

    // Makes this recorder the context and receiver of a detector's events.
    template <typename Detector>
    void attach(Detector& detector) {
        detector.setContext(this);
        detector.setEventCallback(&onEvent);
    }

    // The sample indexes of every event with this code.
    std::vector<int> samplesWith(int code) const {
        std::vector<int> found;
        for (const auto& [index, event] : events) {
            if (event == code) {
                found.push_back(index);
            }
        }
        return found;
    }

    // The codes in arrival order, keeping only those for which keep(code) is true.
    template <typename Keep>
    std::vector<int> codesWhere(Keep keep) const {
        std::vector<int> found;
        for (const auto& event : events) {
            if (keep(event.second)) {
                found.push_back(event.second);
            }
        }
        return found;
    }
};
