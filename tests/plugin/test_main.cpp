// Test runner for everything that needs the framework: a message manager for the
// whole run, and framework assertions reported as test failures.
#include <juce_events/juce_events.h>

#include <gtest/gtest.h>

namespace
{
class FailOnAssertionLogger : public juce::Logger
{
    void logMessage (const juce::String& message) override
    {
        if (message.contains ("JUCE Assertion failure"))
            ADD_FAILURE() << message;
    }
};
} // namespace

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI framework;
    FailOnAssertionLogger logger;
    juce::Logger::setCurrentLogger (&logger);
    const int result = RUN_ALL_TESTS();
    juce::Logger::setCurrentLogger (nullptr);
    return result;
}
