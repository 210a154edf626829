// The built VST3 and LV2 bundles, loaded the way a host loads them.
#include "ParameterIDs.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

namespace
{
// A host's format manager with the formats a Linux host offers.
juce::AudioPluginFormatManager& formatManager()
{
    static juce::AudioPluginFormatManager manager;
    if (manager.getNumFormats() == 0)
        manager.addDefaultFormats();
    return manager;
}

juce::AudioPluginFormat* formatNamed (const juce::String& name)
{
    auto& manager = formatManager();
    for (int i = 0; i < manager.getNumFormats(); ++i)
        if (manager.getFormat (i)->getName() == name)
            return manager.getFormat (i);
    return nullptr;
}

std::unique_ptr<juce::AudioPluginInstance> instantiate (juce::AudioPluginFormat& format, const juce::String& identifier)
{
    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile (found, identifier);
    if (found.isEmpty())
        return {};
    juce::String error;
    return formatManager().createPluginInstance (*found[0], 48000.0, 512, error);
}

std::unique_ptr<juce::AudioPluginInstance> loadVST3()
{
    auto* format = formatNamed ("VST3");
    if (format == nullptr)
        return {};
    return instantiate (*format, juce::File (QUORVANE_VST3_BUNDLE).getFullPathName());
}

std::unique_ptr<juce::AudioPluginInstance> loadLV2()
{
    // The framework's LV2 host looks only in the standard folders: show it the build's.
    auto* format = dynamic_cast<juce::LV2PluginFormat*> (formatNamed ("LV2"));
    if (format == nullptr)
        return {};
    const auto uris = format->searchPathsForPlugins (juce::FileSearchPath (QUORVANE_LV2_DIR), true, false);
    if (! uris.contains (QUORVANE_LV2_URI))
        return {};
    return instantiate (*format, QUORVANE_LV2_URI);
}

void runOneBlock (juce::AudioPluginInstance& plugin)
{
    juce::AudioBuffer<float> buffer (2, 512);
    buffer.clear();
    juce::MidiBuffer midi;
    plugin.processBlock (buffer, midi);
}

juce::AudioProcessorParameter* byName (juce::AudioPluginInstance& plugin, const char* name)
{
    for (auto* p : plugin.getParameters())
        if (p->getName (100) == name)
            return p;
    ADD_FAILURE() << "no parameter named " << name;
    static juce::AudioParameterFloat dummy ("dummy", "dummy", 0.0f, 1.0f, 0.0f);
    return &dummy;
}

struct Format
{
    const char* name;
    std::unique_ptr<juce::AudioPluginInstance> (*load)();
    bool listsInCatalogueOrder; // LV2 leaves the order of parameters to the host
};

void PrintTo (const Format& f, std::ostream* os) { *os << f.name; }

class HostedPlugin : public ::testing::TestWithParam<Format> {};

TEST_P (HostedPlugin, ShowsAllParameters)
{
    auto plugin = GetParam().load();
    ASSERT_NE (plugin, nullptr) << "could not load the " << GetParam().name << " build";
    EXPECT_EQ (plugin->getName(), "Quorvane");
    EXPECT_TRUE (plugin->acceptsMidi());
    EXPECT_EQ (plugin->getMainBusNumOutputChannels(), 2);

    const auto& params = plugin->getParameters();
    ASSERT_GE (params.size(), quorvane::kNumParams);

    juce::StringArray hosted, expected;
    for (int i = 0; i < quorvane::kNumParams; ++i)
        expected.add (quorvane::kParamCatalogue[i].name);

    if (GetParam().listsInCatalogueOrder)
    {
        for (int i = 0; i < quorvane::kNumParams; ++i)
            hosted.add (params[i]->getName (100));
    }
    else
    {
        // The LV2 host adds its own bypass control among ours.
        for (auto* p : params)
            if (p->getName (100) != "Bypass")
                hosted.add (p->getName (100));
        hosted.sort (false);
        expected.sort (false);
    }
    EXPECT_EQ (hosted.joinIntoString (","), expected.joinIntoString (","));
}

// The LV2 bundle declares its parameters in host order; hosts that keep the
// declared order show them as the VST3 does.
TEST (HostedPluginLV2, BundleDeclaresParametersInHostOrder)
{
    const auto ttl = juce::File (QUORVANE_LV2_DIR).getChildFile ("Quorvane.lv2/dsp.ttl").loadFileAsString();
    const auto list = ttl.fromFirstOccurrenceOf ("patch:writable", false, false).upToFirstOccurrenceOf (";", false, false);
    juce::StringArray declared;
    for (auto token : juce::StringArray::fromTokens (list, ", \t\n", ""))
        if (token.startsWith ("plug:"))
            declared.add (token.fromFirstOccurrenceOf ("plug:", false, false));
    ASSERT_EQ (declared.size(), quorvane::kNumParams);
    for (int i = 0; i < quorvane::kNumParams; ++i)
        EXPECT_EQ (declared[i], quorvane::kParamCatalogue[i].id) << "index " << i;
}

TEST_P (HostedPlugin, StateRoundTrip)
{
    auto a = GetParam().load();
    ASSERT_NE (a, nullptr);
    a->prepareToPlay (48000.0, 512);
    byName (*a, "Drive")->setValueNotifyingHost (0.75f);
    byName (*a, "Cutoff")->setValueNotifyingHost (0.25f);
    byName (*a, "InputBar")->setValueNotifyingHost (1.0f);
    runOneBlock (*a);

    juce::MemoryBlock state;
    a->getStateInformation (state);
    ASSERT_GT (state.getSize(), 8u);

    auto b = GetParam().load();
    ASSERT_NE (b, nullptr);
    b->prepareToPlay (48000.0, 512);
    b->setStateInformation (state.getData(), (int) state.getSize());
    runOneBlock (*b);

    EXPECT_NEAR (byName (*b, "Drive")->getValue(), 0.75f, 1e-4f);
    EXPECT_NEAR (byName (*b, "Cutoff")->getValue(), 0.25f, 1e-4f);
    EXPECT_NEAR (byName (*b, "InputBar")->getValue(), 1.0f, 1e-4f);
    EXPECT_NEAR (byName (*b, "Bar0Gain")->getValue(), 0.3f, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P (Formats, HostedPlugin,
                          ::testing::Values (Format { "VST3", loadVST3, true }, Format { "LV2", loadLV2, false }),
                          [] (const ::testing::TestParamInfo<Format>& p) { return std::string (p.param.name); });
} // namespace
