namespace tarn_gui
{
TipDisplayComponent::TipDisplayComponent (LookAndFeel& laf)
    : juce::Thread ("TipDisplayThread")
    , desktop (juce::Desktop::getInstance())
    , toggleSuite (laf)
{
    // Switched on before listening, so that no click is reported for it.
    toggleSuite.button.setToggleState (true, juce::sendNotification);
    toggleSuite.button.addListener (this);
    toggleSuite.addToParent (*this);

    startThread (juce::Thread::Priority::low);
}

TipDisplayComponent::~TipDisplayComponent()
{
    // A thread waiting for the message manager lock gives up when asked to exit, so this
    // returns promptly even though this (message) thread never hands the lock over.
    stopThread (1000);
    toggleSuite.button.removeListener (this);
}

void TipDisplayComponent::resized()
{
    const auto width = (float) getWidth();
    const auto height = (float) getHeight();
    const auto s = juce::jmin (width, height);

    const juce::Rectangle<float> box (4.0f, 4.0f, juce::jmax (s - 8.0f, 0.0f),
                                      juce::jmax (height - 8.0f, 0.0f));
    const juce::Rectangle<float> line (s, 0.0f, width - s, height);
    toggleSuite.setSuiteBounds ({ box, line });
}

void TipDisplayComponent::run()
{
    while (!threadShouldExit())
    {
        if (hintsEnabled.load())
        {
            const juce::MessageManagerLock lock (juce::Thread::getCurrentThread());

            // Not gained: the thread was asked to exit while waiting.
            if (!lock.lockWasGained() || threadShouldExit())
                return;

            // Hints may have been switched off while this thread waited for the lock; the
            // "off" text must then stay.
            if (hintsEnabled.load())
                showHintForComponentUnderMouse();
        }

        // Also when hints are off; returns early only when the thread is asked to exit.
        wait (periodMs);
    }
}

void TipDisplayComponent::showHintForComponentUnderMouse()
{
    auto* c = desktop.getMainMouseSource().getComponentUnderMouse();

    juce::String text;
    if (c != nullptr && c != getParentComponent() && !c->isMouseButtonDown() &&
        !c->isCurrentlyBlockedByAnotherModalComponent())
        text = c->getHelpText();

    toggleSuite.setLabelText (text.isNotEmpty() ? text : juce::String (defaultText));
}

void TipDisplayComponent::buttonClicked (juce::Button* button)
{
    if (button != &toggleSuite.button)
        return;

    const auto enabled = button->getToggleState();
    hintsEnabled.store (enabled);

    if (!enabled)
        toggleSuite.setLabelText (hintsOffText);
}
} // namespace tarn_gui
