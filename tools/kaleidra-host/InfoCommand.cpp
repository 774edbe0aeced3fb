#include "Commands.h"
#include "PluginHost.h"

#include <iostream>

namespace kaleidra_host
{
namespace
{
    juce::var busesOf (juce::AudioPluginInstance& plugin, bool isInput)
    {
        juce::Array<juce::var> buses;

        for (int i = 0; i < plugin.getBusCount (isInput); ++i)
        {
            auto* bus = plugin.getBus (isInput, i);
            auto* object = new juce::DynamicObject();
            object->setProperty ("name", bus->getName());
            object->setProperty ("channels", bus->getNumberOfChannels());
            object->setProperty ("layout", bus->getCurrentLayout().getDescription());
            object->setProperty ("defaultLayout", bus->getDefaultLayout().getDescription());
            object->setProperty ("enabled", bus->isEnabled());
            buses.add (juce::var (object));
        }

        return buses;
    }

    juce::var layoutSupport (juce::AudioPluginInstance& plugin)
    {
        const auto mono = juce::AudioChannelSet::mono();
        const auto stereo = juce::AudioChannelSet::stereo();
        auto* object = new juce::DynamicObject();

        const auto probe = [&plugin] (const juce::AudioChannelSet& in, const juce::AudioChannelSet& out)
        {
            auto layout = plugin.getBusesLayout();
            layout.getChannelSet (true, 0) = in;
            layout.getChannelSet (false, 0) = out;
            return plugin.checkBusesLayoutSupported (layout);
        };

        object->setProperty ("mono>mono", probe (mono, mono));
        object->setProperty ("stereo>stereo", probe (stereo, stereo));
        object->setProperty ("stereo>mono", probe (stereo, mono));
        object->setProperty ("mono>stereo", probe (mono, stereo));
        return juce::var (object);
    }

    juce::var parametersOf (juce::AudioPluginInstance& plugin)
    {
        juce::Array<juce::var> list;
        const auto* bypass = plugin.getBypassParameter();

        for (auto* parameter : plugin.getParameters())
        {
            auto* object = new juce::DynamicObject();
            object->setProperty ("index", parameter->getParameterIndex());

            if (auto* hosted = dynamic_cast<juce::HostedAudioProcessorParameter*> (parameter))
                object->setProperty ("id", hosted->getParameterID());

            object->setProperty ("name", parameter->getName (1024));
            object->setProperty ("label", parameter->getLabel());
            object->setProperty ("default", parameter->getDefaultValue());
            object->setProperty ("defaultText", parameter->getText (parameter->getDefaultValue(), 1024));
            object->setProperty ("value", parameter->getValue());
            object->setProperty ("text", parameter->getCurrentValueAsText());
            object->setProperty ("steps", parameter->getNumSteps());
            object->setProperty ("automatable", parameter->isAutomatable());
            object->setProperty ("bypass", parameter == bypass);
            list.add (juce::var (object));
        }

        return list;
    }

    juce::var factoryOf (const FactoryInfo& info)
    {
        auto* object = new juce::DynamicObject();
        object->setProperty ("vendor", info.vendor);
        object->setProperty ("url", info.url);
        object->setProperty ("email", info.email);
        object->setProperty ("flags", info.flags);
        object->setProperty ("unicode", (info.flags & Vst3FactoryFlagUnicode) != 0);

        juce::Array<juce::var> classes;

        for (const auto& c : info.classes)
        {
            auto* entry = new juce::DynamicObject();
            entry->setProperty ("cid", c.cid);
            entry->setProperty ("category", c.category);
            entry->setProperty ("name", c.name);
            entry->setProperty ("subCategories", c.subCategories);
            entry->setProperty ("vendor", c.vendor);
            entry->setProperty ("version", c.version);
            entry->setProperty ("sdkVersion", c.sdkVersion);
            entry->setProperty ("cardinality", c.cardinality);
            classes.add (juce::var (entry));
        }

        object->setProperty ("classes", classes);
        return juce::var (object);
    }

    void printText (const juce::var& info)
    {
        auto& out = std::cout;
        const auto line = [&out] (const juce::String& key, const juce::var& value)
        { out << key.paddedRight (' ', 12) << value.toString() << "\n"; };

        line ("name", info["name"]);
        line ("vendor", info["vendor"]);
        line ("version", info["version"]);
        line ("category", info["category"]);
        line ("latency", juce::String ((int) info["latency"]) + " samples at " +
                             juce::String ((double) info["sampleRate"]) + " Hz, block " +
                             juce::String ((int) info["blockSize"]));

        if (auto* factory = info["factory"].getDynamicObject())
        {
            line ("factory", "vendor \"" + factory->getProperty ("vendor").toString() + "\", url \"" +
                                 factory->getProperty ("url").toString() + "\", e-mail \"" +
                                 factory->getProperty ("email").toString() + "\", unicode " +
                                 ((bool) factory->getProperty ("unicode") ? "yes" : "no"));

            for (const auto& c : *factory->getProperty ("classes").getArray())
                line ("class", c["cid"].toString() + "  " + c["category"].toString() + "  \"" +
                                   c["name"].toString() + "\"  sub-categories \"" +
                                   c["subCategories"].toString() + "\"");
        }

        for (const auto* direction : { "inputs", "outputs" })
            for (const auto& bus : *info["buses"][direction].getArray())
                line (juce::String (direction).dropLastCharacters (1),
                      "\"" + bus["name"].toString() + "\" " + bus["layout"].toString() + " (default " +
                          bus["defaultLayout"].toString() + ")");

        if (auto* layouts = info["layouts"].getDynamicObject())
        {
            juce::StringArray parts;

            for (const auto& p : layouts->getProperties())
                parts.add (p.name.toString() + (p.value ? " yes" : " no"));

            line ("layouts", parts.joinIntoString (", "));
        }

        for (const auto& program : *info["programs"].getArray())
            line ("program",
                  juce::String ((int) program["index"]) + " \"" + program["name"].toString() + "\"");

        out << "parameters  " << info["parameters"].size() << "\n";

        for (const auto& p : *info["parameters"].getArray())
        {
            out << "  " << juce::String ((int) p["index"]).paddedLeft (' ', 2) << "  "
                << p["id"].toString().paddedRight (' ', 11) << "  "
                << p["name"].toString().paddedRight (' ', 14) << "  default "
                << juce::String ((double) p["default"], 7).paddedRight (' ', 10) << "  \""
                << p["defaultText"].toString() << "\"  now \"" << p["text"].toString() << "\""
                << ((bool) p["bypass"] ? "  (bypass)" : "") << "\n";
        }
    }
} // namespace

int runInfo (const juce::StringArray& args)
{
    juce::String bundlePath;
    double rate = 48000.0;
    int block = 512;
    bool json = false;

    for (int i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--json")
            json = true;
        else if (args[i] == "--rate" && i + 1 < args.size())
            rate = args[++i].getDoubleValue();
        else if (args[i] == "--block" && i + 1 < args.size())
            block = args[++i].getIntValue();
        else if (bundlePath.isEmpty() && !args[i].startsWith ("--"))
            bundlePath = args[i];
        else
            return usageError ("info: unexpected argument \"" + args[i] + "\"");
    }

    if (bundlePath.isEmpty() || rate <= 0.0 || block <= 0)
        return usageError ("info: expected BUNDLE [--json] [--rate R] [--block N]");

    const auto bundle = absoluteFile (bundlePath);
    juce::String error;
    auto loaded = loadPlugin (bundle, rate, block, error);

    if (loaded.instance == nullptr)
        return failure ("info: " + error);

    auto& plugin = *loaded.instance;
    plugin.enableAllBuses();

    // Layouts are asked before activation: an active VST3 plug-in cannot be asked.
    const auto layouts = layoutSupport (plugin);
    preparePlugin (plugin, rate, block);

    auto* info = new juce::DynamicObject();
    const juce::var result (info);
    info->setProperty ("bundle", bundle.getFullPathName());
    info->setProperty ("name", loaded.description.name);
    info->setProperty ("descriptiveName", loaded.description.descriptiveName);
    info->setProperty ("vendor", loaded.description.manufacturerName);
    info->setProperty ("version", loaded.description.version);
    info->setProperty ("category", loaded.description.category);
    info->setProperty ("format", loaded.description.pluginFormatName);
    info->setProperty ("isInstrument", loaded.description.isInstrument);
    info->setProperty ("acceptsMidi", plugin.acceptsMidi());
    info->setProperty ("producesMidi", plugin.producesMidi());
    info->setProperty ("tailSeconds", plugin.getTailLengthSeconds());
    info->setProperty ("hasEditor", plugin.hasEditor());
    info->setProperty ("sampleRate", rate);
    info->setProperty ("blockSize", block);
    info->setProperty ("latency", plugin.getLatencySamples());

    auto* buses = new juce::DynamicObject();
    buses->setProperty ("inputs", busesOf (plugin, true));
    buses->setProperty ("outputs", busesOf (plugin, false));
    info->setProperty ("buses", juce::var (buses));
    info->setProperty ("layouts", layouts);

    juce::Array<juce::var> programs;

    for (int i = 0; i < plugin.getNumPrograms(); ++i)
    {
        auto* program = new juce::DynamicObject();
        program->setProperty ("index", i);
        program->setProperty ("name", plugin.getProgramName (i));
        programs.add (juce::var (program));
    }

    info->setProperty ("programs", programs);
    info->setProperty ("parameters", parametersOf (plugin));
    plugin.releaseResources();
    loaded.instance.reset();

    if (auto factory = readFactoryInfo (bundle, error))
        info->setProperty ("factory", factoryOf (*factory));
    else
        return failure ("info: " + error);

    if (json)
        std::cout << juce::JSON::toString (result, false).toStdString() << std::endl;
    else
        printText (result);

    return 0;
}
} // namespace kaleidra_host
