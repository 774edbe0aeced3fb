// The Windows build's platform check, run under Wine by CTest. It covers what the Linux build never
// exercises: Windows paths and file-name comparison, the special folders the user preset folder is
// searched in, the statically linked image and compression libraries, the posix thread model of
// the mingw runtime, denormal protection, and the text forms that the saved state is made of (which
// must be byte-identical to what the Linux build writes, so that host projects move between the
// two). Prints one line per check and a closing "N passed, N failed" line; exits non-zero on any
// failure.

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <tarn_gui/tarn_gui.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>

namespace
{
class Checks
{
public:
    void expect (bool ok, const juce::String& name, const juce::String& detail = {})
    {
        std::cout << (ok ? "ok     " : "FAILED ") << name;
        if (!ok && detail.isNotEmpty())
            std::cout << "  (" << detail << ")";
        std::cout << std::endl;
        (ok ? passed : failed)++;
    }

    void expectEqual (const juce::String& actual, const juce::String& expected, const juce::String& name)
    {
        expect (actual == expected, name, "got \"" + actual + "\", expected \"" + expected + "\"");
    }

    int finish() const
    {
        std::cout << passed << " passed, " << failed << " failed" << std::endl;
        return failed == 0 && passed > 0 ? 0 : 1;
    }

private:
    int passed = 0, failed = 0;
};

//==============================================================================================
void checkPaths (Checks& checks)
{
    checks.expect (juce::File::getSeparatorChar() == '\\', "paths: the separator is a backslash");

    const juce::File preset ("C:\\Presets\\Bass\\Warm_pad.kd11");
    checks.expectEqual (preset.getFileName(), "Warm_pad.kd11", "paths: file name after the last backslash");
    checks.expectEqual (preset.getParentDirectory().getFullPathName(), "C:\\Presets\\Bass",
                        "paths: parent folder");
    checks.expectEqual (preset.getFileExtension(), ".kd11", "paths: extension");
    checks.expectEqual (juce::File ("C:\\Presets").getChildFile ("Bass/Warm_pad.kd11").getFullPathName(),
                        preset.getFullPathName(),
                        "paths: forward slashes in a relative child become backslashes");
    checks.expect (preset == juce::File ("c:\\PRESETS\\bass\\WARM_PAD.KD11"),
                   "paths: files compare without regard to case");
    checks.expect (preset.isAChildOf (juce::File ("c:\\presets")), "paths: parenthood ignores case");
    checks.expect (juce::File::isAbsolutePath ("D:\\Music\\Project"),
                   "paths: a drive letter path is absolute");

    // The real file system: Windows finds files and matches wildcards without regard to case.
    auto dir = juce::File::getSpecialLocation (juce::File::tempDirectory)
                   .getNonexistentChildFile ("kaleidra-platform-check", {}, false);
    checks.expect (dir.createDirectory().wasOk(), "files: temporary folder created", dir.getFullPathName());
    auto upper = dir.getChildFile ("Loud_Lead.KD11");
    auto nested = dir.getChildFile ("Sub Folder").getChildFile ("Quiet.kd11");
    checks.expect (upper.replaceWithText ("a") && nested.getParentDirectory().createDirectory().wasOk() &&
                       nested.replaceWithText ("b"),
                   "files: preset files written");
    checks.expect (dir.getChildFile ("loud_lead.kd11").existsAsFile(),
                   "files: looked up without regard to case");
    const auto found = dir.findChildFiles (juce::File::findFiles, false, "*.kd11");
    checks.expect (found.size() == 1 && found[0] == upper,
                   "files: \"*.kd11\" matches \"Loud_Lead.KD11\" and does not recurse",
                   juce::String (found.size()) + " found");
    const auto folders = dir.findChildFiles (juce::File::findDirectories, false, "*");
    checks.expect (folders.size() == 1 && folders[0].getFileName() == "Sub Folder", "files: folders listed");
    checks.expect (dir.deleteRecursively() && !dir.exists(), "files: temporary folder removed");
}

// The user preset folder is searched for below these locations, in this order.
void checkSpecialLocations (Checks& checks)
{
    struct Location
    {
        juce::File::SpecialLocationType type;
        const char* name;
    };
    const Location locations[] = {
        { juce::File::globalApplicationsDirectory, "globalApplicationsDirectory" },
        { juce::File::commonApplicationDataDirectory, "commonApplicationDataDirectory" },
        { juce::File::commonDocumentsDirectory, "commonDocumentsDirectory" },
        { juce::File::userApplicationDataDirectory, "userApplicationDataDirectory" },
        { juce::File::userDocumentsDirectory, "userDocumentsDirectory" },
        { juce::File::userHomeDirectory, "userHomeDirectory" },
    };
    for (const auto& location : locations)
    {
        const auto folder = juce::File::getSpecialLocation (location.type);
        const auto path = folder.getFullPathName();
        std::cout << "       " << location.name << " = " << path << std::endl;
        checks.expect (path.length() > 3 && path[1] == ':' && path[2] == '\\' && folder.isDirectory(),
                       juce::String ("special folders: ") + location.name + " is an existing drive folder",
                       path);
    }
    checks.expect (juce::File::getSpecialLocation (juce::File::globalApplicationsDirectory)
                       .getFileName()
                       .equalsIgnoreCase ("Program Files"),
                   "special folders: the first location is Program Files");
    checks.expect (juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory)
                       .getFileName()
                       .equalsIgnoreCase ("ProgramData"),
                   "special folders: the second location is ProgramData");
}

// The plug-in's own search for its user preset folder, with Windows locations: an existing base
// folder in an earlier location wins over one in a later location, and with none existing the
// folder is made in the first location that allows it. A company name of its own keeps the check
// away from a real installation in the same Wine prefix.
void checkUserPresetFolderSearch (Checks& checks)
{
    const juce::String company = "KaleidraCheck" + juce::String::toHexString (juce::Random().nextInt());
    const juce::String plugin = "Kaleidra v1-1";
    const auto baseIn = [&] (juce::File::SpecialLocationType type)
    { return juce::File::getSpecialLocation (type).getChildFile (company).getChildFile ("Kaleidra_v1-1"); };
    const auto cleanUp = [&]
    {
        for (auto type :
             { juce::File::globalApplicationsDirectory, juce::File::commonApplicationDataDirectory,
               juce::File::commonDocumentsDirectory, juce::File::userApplicationDataDirectory,
               juce::File::userDocumentsDirectory, juce::File::userHomeDirectory })
            juce::File::getSpecialLocation (type).getChildFile (company).deleteRecursively();
    };

    cleanUp();
    checks.expect (baseIn (juce::File::userDocumentsDirectory).createDirectory().wasOk() &&
                       baseIn (juce::File::commonApplicationDataDirectory).createDirectory().wasOk(),
                   "preset folder: base folders made in Documents and ProgramData");
    auto found = tarn_gui::locateUserPresetFolder (company, plugin);
    checks.expect (found == baseIn (juce::File::commonApplicationDataDirectory).getChildFile ("Presets") &&
                       found.isDirectory(),
                   "preset folder: ProgramData is searched before the user's Documents",
                   found.getFullPathName());

    checks.expect (baseIn (juce::File::globalApplicationsDirectory).createDirectory().wasOk(),
                   "preset folder: base folder made in Program Files");
    found = tarn_gui::locateUserPresetFolder (company, plugin);
    checks.expect (found == baseIn (juce::File::globalApplicationsDirectory).getChildFile ("Presets"),
                   "preset folder: Program Files comes first", found.getFullPathName());

    cleanUp();
    found = tarn_gui::locateUserPresetFolder (company, plugin);
    checks.expect (found.isDirectory() && found.getFullPathName().containsIgnoreCase (
                                              "\\" + company + "\\Kaleidra_v1-1\\Presets"),
                   "preset folder: made when none exists, with backslashes", found.getFullPathName());
    cleanUp();

    checks.expectEqual (tarn_gui::displayNameFromPath ("C:\\Users\\me\\Presets\\deep_space.kd11"),
                        "Deep space", "preset names: text after the last backslash");
    checks.expectEqual (tarn_gui::displayNameFromPath ("C:\\Users\\me/Presets/warm_pad.kd11"), "Warm pad",
                        "preset names: a forward slash separates too");
}

//==============================================================================================
juce::MemoryBlock makeCompressibleData()
{
    juce::MemoryBlock data (200000);
    juce::Random random (42);
    auto* bytes = static_cast<juce::uint8*> (data.getData());
    for (size_t i = 0; i < data.getSize(); ++i)
        bytes[i] = (juce::uint8) ((i % 251) < 200 ? 'a' + (i % 7) : random.nextInt (256));
    return data;
}

void checkZlib (Checks& checks)
{
    const auto original = makeCompressibleData();
    juce::MemoryOutputStream compressed;
    {
        juce::GZIPCompressorOutputStream gzip (compressed, 9);
        gzip.write (original.getData(), original.getSize());
    }
    checks.expect (compressed.getDataSize() > 0 && compressed.getDataSize() < original.getSize() / 2,
                   "zlib: compresses", juce::String (compressed.getDataSize()) + " bytes");

    juce::MemoryInputStream compressedIn (compressed.getData(), compressed.getDataSize(), false);
    juce::GZIPDecompressorInputStream gunzip (compressedIn);
    juce::MemoryBlock restored;
    gunzip.readIntoMemoryBlock (restored);
    checks.expect (restored == original, "zlib: decompresses to the same bytes");

    // Preset packs are zip files with folders inside.
    juce::ZipFile::Builder builder;
    builder.addEntry (new juce::MemoryInputStream (original, true), 9, "Pack/Bass/Deep.kd11",
                      juce::Time (2024, 0, 1, 0, 0));
    builder.addEntry (new juce::MemoryInputStream ("tiny", 4, true), 0, "Pack/Readme.txt",
                      juce::Time (2024, 0, 1, 0, 0));
    juce::MemoryOutputStream zipBytes;
    checks.expect (builder.writeToStream (zipBytes, nullptr), "zip: written");

    juce::ZipFile zip (new juce::MemoryInputStream (zipBytes.getData(), zipBytes.getDataSize(), true), true);
    const auto* deep = zip.getEntry ("Pack/Bass/Deep.kd11");
    checks.expect (zip.getNumEntries() == 2 && deep != nullptr, "zip: entries listed with their folders");
    if (deep != nullptr)
    {
        std::unique_ptr<juce::InputStream> in (zip.createStreamForEntry (*deep));
        juce::MemoryBlock entry;
        if (in != nullptr)
            in->readIntoMemoryBlock (entry);
        checks.expect (entry == original, "zip: deflated entry reads back");
    }
}

juce::Image makeTestImage (juce::Image::PixelFormat format, int width, int height)
{
    juce::Image image (format, width, height, true);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixelAt (x, y,
                              juce::Colour ((juce::uint8) (x * 255 / width), (juce::uint8) (y * 255 / height),
                                            (juce::uint8) ((x + y) * 2)));
    return image;
}

int largestDifference (const juce::Image& a, const juce::Image& b)
{
    if (a.getWidth() != b.getWidth() || a.getHeight() != b.getHeight())
        return 1000;
    int worst = 0;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
        {
            const auto p = a.getPixelAt (x, y), q = b.getPixelAt (x, y);
            worst =
                std::max ({ worst, std::abs (p.getRed() - q.getRed()), std::abs (p.getGreen() - q.getGreen()),
                            std::abs (p.getBlue() - q.getBlue()) });
        }
    return worst;
}

void checkImages (Checks& checks)
{
    {
        const auto image = makeTestImage (juce::Image::ARGB, 37, 23);
        juce::MemoryOutputStream png;
        juce::PNGImageFormat format;
        checks.expect (format.writeImageToStream (image, png), "png: written");
        const auto* bytes = static_cast<const juce::uint8*> (png.getData());
        checks.expect (png.getDataSize() > 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' &&
                           bytes[3] == 'G',
                       "png: signature");
        const auto loaded = juce::ImageFileFormat::loadFrom (png.getData(), png.getDataSize());
        checks.expect (loaded.isValid() && largestDifference (image, loaded) == 0,
                       "png: reads back pixel for pixel");
    }
    {
        const auto image = makeTestImage (juce::Image::RGB, 64, 48);
        juce::MemoryOutputStream jpeg;
        juce::JPEGImageFormat format;
        format.setQuality (0.95f);
        checks.expect (format.writeImageToStream (image, jpeg), "jpeg: written");
        const auto* bytes = static_cast<const juce::uint8*> (jpeg.getData());
        checks.expect (jpeg.getDataSize() > 2 && bytes[0] == 0xff && bytes[1] == 0xd8,
                       "jpeg: start-of-image marker");
        const auto loaded = juce::ImageFileFormat::loadFrom (jpeg.getData(), jpeg.getDataSize());
        const auto difference = largestDifference (image, loaded);
        checks.expect (loaded.isValid() && difference <= 16, "jpeg: reads back within the lossy tolerance",
                       "largest channel difference " + juce::String (difference));
    }
}

void checkTextRendering (Checks& checks)
{
    juce::Image image (juce::Image::ARGB, 220, 60, true);
    {
        juce::Graphics g (image);
        g.setColour (juce::Colours::white);
        g.setFont (28.0f);
        g.drawText ("Kaleidra 1.1.2", image.getBounds(), juce::Justification::centred);
    }
    int inked = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            inked += image.getPixelAt (x, y).getAlpha() > 128 ? 1 : 0;
    checks.expect (inked > 200, "fonts: text is drawn into an image", juce::String (inked) + " pixels inked");
}

//==============================================================================================
void checkThreads (Checks& checks)
{
    std::mutex mutex;
    std::condition_variable ready;
    int stage = 0;
    std::thread worker (
        [&]
        {
            std::unique_lock lock (mutex);
            ready.wait (lock, [&] { return stage == 1; });
            stage = 2;
            ready.notify_all();
        });
    {
        std::unique_lock lock (mutex);
        stage = 1;
        ready.notify_all();
        checks.expect (ready.wait_for (lock, std::chrono::seconds (30), [&] { return stage == 2; }),
                       "threads: std::thread, mutex and condition variable");
    }
    worker.join();

    struct Counter final : juce::Thread
    {
        Counter()
            : juce::Thread ("KaleidraCheck")
        {
        }
        void run() override
        {
            while (!threadShouldExit())
            {
                ++count;
                started.signal();
                wait (5);
            }
        }
        std::atomic<int> count{ 0 };
        juce::WaitableEvent started;
    } counter;
    checks.expect (counter.startThread(), "threads: juce::Thread starts");
    checks.expect (counter.started.wait (30000), "threads: juce::Thread runs");
    checks.expect (counter.stopThread (30000) && counter.count.load() > 0,
                   "threads: juce::Thread stops when asked");

    juce::SpinLock spin;
    std::atomic<int> inside{ 0 }, overlaps{ 0 };
    auto hammer = [&]
    {
        for (int i = 0; i < 20000; ++i)
        {
            const juce::SpinLock::ScopedLockType lock (spin);
            if (inside.fetch_add (1) != 0)
                ++overlaps;
            inside.fetch_sub (1);
        }
    };
    std::thread a (hammer), b (hammer);
    a.join();
    b.join();
    checks.expect (overlaps.load() == 0, "threads: juce::SpinLock excludes");
}

void checkDenormals (Checks& checks)
{
    // Volatile operands, so that the compiler cannot fold the multiplication away.
    volatile float tiny = std::numeric_limits<float>::min() / 4.0f; // a denormal
    volatile float one = 1.0f;
    volatile float result = 1.0f;
    {
        juce::ScopedNoDenormals noDenormals;
        result = tiny * one;
    }
    checks.expect (result == 0.0f, "audio: ScopedNoDenormals flushes denormals to zero");
    result = tiny * one;
    checks.expect (result != 0.0f, "audio: denormals are back after the scope");
}

//==============================================================================================
// Numbers and XML as the saved state writes them; the expected texts are what the Linux build
// produces, so a state written on one system reads back byte-identical on the other.
void checkStateText (Checks& checks)
{
    struct Number
    {
        double value;
        const char* text;
    };
    const Number numbers[] = {
        { 29.0, "29.0" },
        { 0.01, "0.01" },
        { 75.3, "75.3" },
        { -3.25, "-3.25" },
        { 1.0e-7, "1.0e-7" },
        { 1234567.0, "1.234567e6" },
        { 2.0 / 3.0, "0.6666666666666666" },
        { 48000.0, "48000.0" },
        { 1.0e300, "1.0e300" },
    };
    for (const auto& n : numbers)
        checks.expectEqual (juce::var (n.value).toString(), n.text,
                            "state text: the number " + juce::String (n.text));

    juce::XmlElement root ("Kd11");
    root.setAttribute ("pluginVersion", "1.1.2");
    root.setAttribute ("LoadedPreset", "C:\\Presets\\Warm & \"dry\" <1>.kd11");
    for (auto [id, value] :
         { std::pair{ "1- Seg Mix", 0.3 }, { "Tone", 1.0e-7 }, { "2- Seg Size", 2.0 / 3.0 } })
    {
        auto* param = root.createNewChildElement ("PARAM");
        param->setAttribute ("id", id);
        param->setAttribute ("value", value);
    }
    checks.expectEqual (root.toString (juce::XmlElement::TextFormat().singleLine()),
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <Kd11 pluginVersion=\"1.1.2\" "
                        "LoadedPreset=\"C:\\Presets\\Warm &amp; &quot;dry&quot; &lt;1&gt;.kd11\">"
                        "<PARAM id=\"1- Seg Mix\" value=\"0.3\"/><PARAM id=\"Tone\" value=\"1.0e-7\"/>"
                        "<PARAM id=\"2- Seg Size\" value=\"0.6666666666666666\"/></Kd11>",
                        "state text: single-line XML as on Linux");

    juce::MemoryBlock blob;
    juce::AudioProcessor::copyXmlToBinary (root, blob);
    const auto* bytes = static_cast<const char*> (blob.getData());
    checks.expect (blob.getSize() > 9 && juce::String (bytes, 4) == "VC2!",
                   "state blob: starts with \"VC2!\"");
    const auto back = juce::AudioProcessor::getXmlFromBinary (blob.getData(), (int) blob.getSize());
    checks.expect (back != nullptr && back->isEquivalentTo (&root, false), "state blob: reads back");
    checks.expect (juce::AudioProcessor::getXmlFromBinary (bytes, 8) == nullptr,
                   "state blob: a truncated blob is refused");
}

// A missing or broken bundle is refused without a crash.
void checkPluginHosting (Checks& checks)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    const auto missing = juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getNonexistentChildFile ("Missing", ".vst3", false);
    format.findAllTypesForFile (types, missing.getFullPathName());
    checks.expect (types.isEmpty(), "hosting: a missing bundle yields no plug-in");

    auto fake =
        missing.getChildFile ("Contents").getChildFile ("x86_64-win").getChildFile (missing.getFileName());
    checks.expect (fake.create().wasOk() && fake.replaceWithText ("MZ but not a DLL"),
                   "hosting: fake bundle written");
    format.findAllTypesForFile (types, missing.getFullPathName());
    checks.expect (types.isEmpty(), "hosting: a bundle whose DLL is not a DLL yields no plug-in");
    missing.deleteRecursively();
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI framework;
    Checks checks;
    checkPaths (checks);
    checkSpecialLocations (checks);
    checkUserPresetFolderSearch (checks);
    checkZlib (checks);
    checkImages (checks);
    checkTextRendering (checks);
    checkThreads (checks);
    checkDenormals (checks);
    checkStateText (checks);
    checkPluginHosting (checks);
    return checks.finish();
}
