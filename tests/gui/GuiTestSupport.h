// Shared helpers of the widget kit tests: a small processor with a parameter tree, a recording
// UserValueUpdater, pixel helpers and an on-screen host that feeds synthetic mouse events.
#pragma once

#include "support/XErrors.h"

#include <gtest/gtest.h>
#include <tarn_gui/tarn_gui.h>

#include <functional>
#include <mutex>
#include <vector>

namespace kaleidra_test
{
// A processor that only carries a parameter tree: a float 1..48 (step 0.01), an int 2..91
// and a bool.
struct FakeProcessor final : public juce::AudioProcessor
{
    static constexpr const char* floatID = "1- Seg Size";
    static constexpr const char* intID = "1- N Segs";
    static constexpr const char* boolID = "Mode";

    FakeProcessor()
        : tree (*this, &undoManager, "Kd11", makeLayout())
    {
    }

    static juce::AudioProcessorValueTreeState::ParameterLayout makeLayout()
    {
        juce::AudioProcessorValueTreeState::ParameterLayout layout;
        layout.add (std::make_unique<juce::AudioParameterFloat> (
            juce::ParameterID{ floatID, 1 }, floatID, juce::NormalisableRange<float> (1.0f, 48.0f, 0.01f),
            11.0f));
        layout.add (
            std::make_unique<juce::AudioParameterInt> (juce::ParameterID{ intID, 1 }, intID, 2, 91, 31));
        layout.add (
            std::make_unique<juce::AudioParameterBool> (juce::ParameterID{ boolID, 1 }, boolID, false));
        return layout;
    }

    // Sets a parameter to a plain value, as the host or the processor would.
    void setPlain (const juce::String& id, float plainValue)
    {
        auto* parameter = tree.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (plainValue));
    }

    float getPlain (const juce::String& id) const
    {
        auto* parameter = tree.getParameter (id);
        return parameter->convertFrom0to1 (parameter->getValue());
    }

    const juce::String getName() const override
    {
        return "FakeProcessor";
    }
    void prepareToPlay (double, int) override {}
    void releaseResources() override {}
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override {}
    double getTailLengthSeconds() const override
    {
        return 0.0;
    }
    bool acceptsMidi() const override
    {
        return false;
    }
    bool producesMidi() const override
    {
        return false;
    }
    juce::AudioProcessorEditor* createEditor() override
    {
        return nullptr;
    }
    bool hasEditor() const override
    {
        return false;
    }
    int getNumPrograms() override
    {
        return 1;
    }
    int getCurrentProgram() override
    {
        return 0;
    }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override
    {
        return {};
    }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}

    juce::UndoManager undoManager;
    juce::AudioProcessorValueTreeState tree;
};

// Records every value a control hands over.
struct RecordingUpdater final : public tarn_gui::UserValueUpdater
{
    struct Call
    {
        juce::String parameterID;
        float value;
    };

    void updateUserValue (const juce::String& parameterID, float plainValue) override
    {
        calls.push_back ({ parameterID, plainValue });
    }

    std::vector<Call> calls;
};

//==============================================================================
// Paints a component and its children into a new image (no display needed).
inline juce::Image paintToImage (juce::Component& component,
                                 juce::Colour background = juce::Colours::transparentBlack)
{
    juce::Image image (juce::Image::ARGB, juce::jmax (1, component.getWidth()),
                       juce::jmax (1, component.getHeight()), true);
    juce::Graphics g (image);
    if (!background.isTransparent())
        g.fillAll (background);
    component.paintEntireComponent (g, false);
    return image;
}

// Runs a drawing function on a fresh transparent image.
inline juce::Image drawToImage (int width, int height, const std::function<void (juce::Graphics&)>& draw)
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    draw (g);
    return image;
}

inline bool coloursNear (juce::Colour actual, juce::Colour expected, int tolerance = 2)
{
    const auto near = [tolerance] (int a, int b) { return std::abs (a - b) <= tolerance; };
    return near (actual.getAlpha(), expected.getAlpha()) && near (actual.getRed(), expected.getRed()) &&
           near (actual.getGreen(), expected.getGreen()) && near (actual.getBlue(), expected.getBlue());
}

inline std::string describe (juce::Colour c)
{
    return juce::String::formatted ("ARGB(%d, %d, %d, %d)", c.getAlpha(), c.getRed(), c.getGreen(),
                                    c.getBlue())
        .toStdString();
}

// Checks one pixel against a colour, each channel within a tolerance (2 unless given).
#define EXPECT_PIXEL(image, x, y, expected)                                                                  \
    EXPECT_PRED_FORMAT5 (::kaleidra_test::pixelIs, image, x, y, expected, 2)
#define EXPECT_PIXEL_NEAR(image, x, y, expected, tolerance)                                                  \
    EXPECT_PRED_FORMAT5 (::kaleidra_test::pixelIs, image, x, y, expected, tolerance)

inline ::testing::AssertionResult pixelIs (const char*, const char*, const char*, const char* expectedExpr,
                                           const char*, const juce::Image& image, int x, int y,
                                           juce::Colour expected, int tolerance)
{
    const auto actual = image.getPixelAt (x, y);
    if (coloursNear (actual, expected, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << describe (actual)
                                         << ", expected " << expectedExpr << " = " << describe (expected);
}

// Counts the pixels of an image that are near a colour.
inline int countPixels (const juce::Image& image, juce::Colour colour, int tolerance = 2)
{
    int count = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (coloursNear (image.getPixelAt (x, y), colour, tolerance))
                ++count;
    return count;
}

//==============================================================================
// Runs the message loop until the condition holds or the time is up (generous by default).
inline bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 5000)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (!condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    }
    return true;
}

inline void pumpFor (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

using kaleidra::test::ignoreXErrors;

// Puts a component on the desktop as a bare window and drives the main mouse with synthetic
// events through its peer (positions in the component's own coordinates).
struct OnScreen
{
    OnScreen (juce::Component& c, juce::Rectangle<int> screenBounds)
        : component (c)
    {
        ignoreXErrors();
        component.setBounds (screenBounds);
        component.addToDesktop (0);
        component.setVisible (true);
        pumpFor (50);
    }

    ~OnScreen()
    {
        release (lastPosition);
        component.removeFromDesktop();
    }

    OnScreen (const OnScreen&) = delete;
    OnScreen& operator= (const OnScreen&) = delete;

    juce::ComponentPeer& peer() const
    {
        auto* p = component.getPeer();
        jassert (p != nullptr);
        return *p;
    }

    void send (juce::Point<int> position, juce::ModifierKeys mods)
    {
        lastPosition = position;
        peer().handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, position.toFloat(), mods,
                                 juce::MouseInputSource::defaultPressure,
                                 juce::MouseInputSource::defaultOrientation, juce::Time::currentTimeMillis());
    }

    // Positions relative to the top-level component.
    void moveTo (juce::Point<int> position)
    {
        send (position, {});
    }
    void press (juce::Point<int> position)
    {
        send (position, juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier));
        buttonDown = true;
    }
    void release (juce::Point<int> position)
    {
        if (buttonDown)
            send (position, {});
        buttonDown = false;
    }
    void click (juce::Point<int> position)
    {
        moveTo (position);
        press (position);
        release (position);
    }

    // The centre of a child, in the top-level component's coordinates.
    juce::Point<int> centreOf (const juce::Component& child) const
    {
        return component.getLocalPoint (&child, child.getLocalBounds().getCentre());
    }

    juce::Component& component;
    juce::Point<int> lastPosition;
    bool buttonDown = false;
};
} // namespace kaleidra_test
