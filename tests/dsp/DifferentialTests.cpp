// The optimised engine against the literal one (tests/reference), side by side on the same input
// with the same parameter moves: every output sample must agree within
//     |optimised − reference| ≤ 1e-6 × max (peak of the reference output over the case, 1e-3)
// (the floor lets silence compare sensibly); the aim is bit-identical output, and the suite prints
// how many cases were.
//
// Two tables: hand-picked edge cases, and randomised cases drawn from a seed (sample rate, mono or
// stereo, prepared block size 1 … 4096 with block sizes varying from block to block, or the
// plug-in's feed: host blocks through a fixed-block feeder in front of each engine, which is
// prepared for the quantum; the three stages' settings, the mode, the tone, and parameter moves
// between blocks). A failure prints the
// case's seed, its settings and the moves up to the first differing block.
//
// Environment, for longer runs by hand:
//   KALEIDRA_DIFFERENTIAL_SEED   base seed of the randomised cases (default fixed)
//   KALEIDRA_DIFFERENTIAL_CASES  number of randomised cases (default 40)

#include "DspTestHelpers.h"

#include <ReferenceEngine.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>

namespace kaleidra::test
{
namespace
{
    using Optimised = tarn_dsp::KaleidraMultistage<float, 3>;
    using Reference = kaleidra_reference::KaleidraMultistage<float, 3>;

    constexpr double sampleRates[] = { 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0 };
    constexpr float relativeBound = 1.0e-6f;
    constexpr float peakFloor = 1.0e-3f;

    //==========================================================================================
    // A parameter move between blocks, applied to both engines the way the processor does it.
    struct Move
    {
        enum Kind
        {
            segments,    // stage's segmentCount.value
            segmentSize, // stage's segmentSize.setTarget (µs)
            mix,         // stage's mix.setTarget (%)
            presence,    // every stage's tone.presence
            mode,        // engine.mode.index
            reset,       // engine.resetLocked()
            bypass       // this block through processBypassed (the processor resets afterwards)
        };

        Kind kind;
        int stage = 0;
        float value = 0.0f;

        std::string describe() const
        {
            std::ostringstream text;
            switch (kind)
            {
                case segments:
                    text << "stage " << stage + 1 << " N " << static_cast<int> (value);
                    break;
                case segmentSize:
                    text << "stage " << stage + 1 << " size " << value << " us";
                    break;
                case mix:
                    text << "stage " << stage + 1 << " mix " << value << " %";
                    break;
                case presence:
                    text << "presence " << value;
                    break;
                case mode:
                    text << "mode " << static_cast<int> (value);
                    break;
                case reset:
                    text << "reset";
                    break;
                case bypass:
                    text << "bypassed block";
                    break;
            }
            return text.str();
        }
    };

    template <typename EngineType>
    void applyMove (EngineType& engine, const Move& move)
    {
        auto& stage = *engine.stages[static_cast<size_t> (move.stage)];
        switch (move.kind)
        {
            case Move::segments:
                stage.segmentCount.value.store (static_cast<int> (move.value));
                break;
            case Move::segmentSize:
                stage.segmentSize.setTarget (move.value);
                break;
            case Move::mix:
                stage.mix.setTarget (move.value);
                break;
            case Move::presence:
                for (auto& s : engine.stages)
                    s->tone.presence.store (move.value);
                break;
            case Move::mode:
                engine.mode.index.store (static_cast<int> (move.value));
                break;
            case Move::reset:
                engine.resetLocked();
                break;
            case Move::bypass:
                break;
        }
    }

    struct StageSetting
    {
        int segments;
        float microseconds;
        float mixPercent;
    };

    enum class Blocks
    {
        exactlyMax, // every block the prepared maximum
        varying,    // 1 … max: many small ones, many uniform, some exactly max
        oversize    // up to three times the prepared maximum (the engine splits them)
    };

    enum class Input
    {
        mixed,  // noise plus sines plus stretches of silence
        silence // all zeros
    };

    //==========================================================================================
    struct DiffCase
    {
        std::string name;
        juce::int64 seed = 1;
        double fs = 44100.0;
        int channels = 2;
        int maxBlock = 512;         // prepared maximum, or through the feeder the host's largest block
        bool throughFeeder = false; // like the plug-in: each engine fed chunks of the quantum
        Blocks blocks = Blocks::varying;
        Input input = Input::mixed;
        int mode = 0;
        StageSetting stages[3] = { { 31, 11.0f, 100.0f }, { 31, 11.0f, 0.0f }, { 31, 11.0f, 0.0f } };
        float presence = 75.0f;
        bool startAtRest = true;     // the settings' ramps finished by a reset before the first block
        bool noDenormals = true;     // run like the processor's processBlock (flush-to-zero)
        float movesPerSecond = 0.0f; // random parameter moves (N, size, mix, tone, mode) per second
        int structuralMoves = 0;     // resets and bypassed blocks, about 10 per second at most, only
                                     // once the output is past the total latency (each one restarts it)
        int mixFlipEvery = 0;        // > 0: every stage's mix target alternates 20 / 110 % this often
        double seconds = 0.15;       // audio after the engine's total latency

        std::string describe() const
        {
            std::ostringstream text;
            text << "case \"" << name << "\" seed " << seed << ": " << fs << " Hz, "
                 << (channels == 1 ? "mono" : "stereo") << ", max block " << maxBlock << " ("
                 << (blocks == Blocks::exactlyMax ? "exactly max"
                                                  : (blocks == Blocks::varying ? "varying" : "oversize"))
                 << (throughFeeder ? ", through the feeder" : "") << "), "
                 << (mode == 0 ? "Series" : "Parallel") << " (index " << mode << "), presence " << presence
                 << (startAtRest ? ", at rest" : ", ramping from the defaults")
                 << (noDenormals ? ", flush-to-zero" : ", denormals kept")
                 << (input == Input::silence ? ", silent input" : "") << "; stages:";
            for (const auto& s : stages)
                text << " [N " << s.segments << ", " << s.microseconds << " us, " << s.mixPercent << " %]";
            text << "; " << movesPerSecond << " moves/s, up to " << structuralMoves << " resets/bypasses"
                 << ", mix flip every " << mixFlipEvery << " blocks, " << seconds << " s after latency";
            return text.str();
        }
    };

    struct Outcome
    {
        bool withinBound = true;
        bool bitIdentical = true;
        float largestDifference = 0.0f; // relative to max (peak, floor)
        float peak = 0.0f;              // of the reference output
        std::string failure;
    };

    Signal makeInput (const DiffCase& c, int frames, juce::Random& random)
    {
        Signal signal (static_cast<size_t> (c.channels),
                       std::vector<float> (static_cast<size_t> (frames), 0.0f));
        if (c.input == Input::silence)
            return signal;

        const float noiseLevel = 0.6f * random.nextFloat();
        const int sines = 1 + random.nextInt (3);
        float frequency[3], level[3];
        for (int k = 0; k < sines; ++k)
        {
            // Up to 0.45 × fs: near Nyquist is where the resampling works hardest.
            frequency[k] = 20.0f + random.nextFloat() * (0.45f * static_cast<float> (c.fs) - 20.0f);
            level[k] = 0.1f + 0.4f * random.nextFloat();
        }

        for (size_t ch = 0; ch < signal.size(); ++ch)
        {
            auto& x = signal[ch];
            const double phase = 0.7 * static_cast<double> (ch);
            for (int t = 0; t < frames; ++t)
            {
                float v = noiseLevel * (2.0f * random.nextFloat() - 1.0f);
                for (int k = 0; k < sines; ++k)
                    v += level[k] *
                         static_cast<float> (std::sin (
                             juce::MathConstants<double>::twoPi * frequency[k] * t / c.fs + phase * (k + 1)));
                x[static_cast<size_t> (t)] = v;
            }
        }

        // Stretches of silence (in all channels at once), some of them long enough to let the
        // tone filters decay.
        const int stretches = random.nextInt (5);
        for (int k = 0; k < stretches; ++k)
        {
            const int start = random.nextInt (frames);
            const int length = 1 + random.nextInt (juce::jmax (1, static_cast<int> (c.fs * 0.05)));
            for (auto& x : signal)
                std::fill (x.begin() + start, x.begin() + juce::jmin (frames, start + length), 0.0f);
        }
        return signal;
    }

    int nextBlockSize (const DiffCase& c, juce::Random& random)
    {
        switch (c.blocks)
        {
            case Blocks::exactlyMax:
                return c.maxBlock;
            case Blocks::oversize:
                return 1 + random.nextInt (3 * c.maxBlock);
            case Blocks::varying:
                break;
        }
        const int pick = random.nextInt (8);
        if (pick == 0)
            return c.maxBlock;
        if (pick <= 2)
            return 1 + random.nextInt (juce::jmin (16, c.maxBlock));
        return 1 + random.nextInt (c.maxBlock);
    }

    Move randomMove (juce::Random& random)
    {
        const int stage = random.nextInt (3);
        switch (random.nextInt (7))
        {
            case 0:
            {
                const int pick = random.nextInt (4);
                return { Move::segments, stage,
                         static_cast<float> (pick == 0 ? 2 : (pick == 1 ? 91 : 2 + random.nextInt (90))) };
            }
            case 1:
            {
                const int pick = random.nextInt (4);
                const float us =
                    pick == 0
                        ? 1.0f
                        : (pick == 1 ? 48.0f : 1.0f + 0.01f * static_cast<float> (random.nextInt (4701)));
                return { Move::segmentSize, stage, us };
            }
            case 2:
            case 3:
            case 5:
            {
                const float mixes[] = { 0.0f, 100.0f, 120.0f,
                                        0.01f * static_cast<float> (random.nextInt (12001)) };
                return { Move::mix, stage, mixes[random.nextInt (4)] };
            }
            case 4:
            {
                const float presences[] = { 0.0f, 50.0f, 75.0f, 100.0f,
                                            0.1f * static_cast<float> (random.nextInt (1001)) };
                return { Move::presence, 0, presences[random.nextInt (5)] };
            }
            default:
                return { Move::mode, 0, static_cast<float> (random.nextInt (2)) };
        }
    }

    template <typename EngineType>
    void setUp (EngineType& engine, const DiffCase& c)
    {
        engine.mode.index = c.mode;
        const int prepared = c.throughFeeder ? tarn_dsp::FixedBlockFeeder::quantumFor (c.fs) : c.maxBlock;
        engine.prepareLocked (
            { c.fs, static_cast<juce::uint32> (prepared), static_cast<juce::uint32> (c.channels) });
        for (int s = 0; s < 3; ++s)
        {
            applyMove (engine, { Move::segments, s, static_cast<float> (c.stages[s].segments) });
            applyMove (engine, { Move::segmentSize, s, c.stages[s].microseconds });
            applyMove (engine, { Move::mix, s, c.stages[s].mixPercent });
        }
        applyMove (engine, { Move::presence, 0, c.presence });
        if (c.startAtRest)
            engine.resetLocked();
    }

    // One block through the engine, or through the feeder into the engine when there is one.
    template <typename EngineType>
    void processBlock (EngineType& engine, tarn_dsp::FixedBlockFeeder* feeder,
                       juce::AudioBuffer<float>& buffer, int channels, int n, bool bypassed)
    {
        juce::dsp::AudioBlock<float> block (buffer.getArrayOfWritePointers(), static_cast<size_t> (channels),
                                            static_cast<size_t> (n));
        const juce::SpinLock::ScopedLockType lock (engine.lock);
        processBlockOf (engine, feeder, block, bypassed);
    }

    bool sameBits (float a, float b)
    {
        std::uint32_t x, y;
        std::memcpy (&x, &a, sizeof x);
        std::memcpy (&y, &b, sizeof y);
        return x == y;
    }

    Outcome runCase (const DiffCase& c)
    {
        Outcome outcome;
        auto optimised = std::make_unique<Optimised>();
        auto reference = std::make_unique<Reference>();
        setUp (*optimised, c);
        setUp (*reference, c);
        tarn_dsp::FixedBlockFeeder feederOptimised, feederReference;
        feederOptimised.prepare (c.channels, tarn_dsp::FixedBlockFeeder::quantumFor (c.fs));
        feederReference.prepare (c.channels, tarn_dsp::FixedBlockFeeder::quantumFor (c.fs));
        auto* feedOptimised = c.throughFeeder ? &feederOptimised : nullptr;
        auto* feedReference = c.throughFeeder ? &feederReference : nullptr;

        if (optimised->getTotalLatency() != reference->getTotalLatency())
        {
            outcome.withinBound = outcome.bitIdentical = false;
            outcome.failure = c.describe() + "\nlatency differs: optimised " +
                              std::to_string (optimised->getTotalLatency()) + ", reference " +
                              std::to_string (reference->getTotalLatency());
            return outcome;
        }

        juce::Random random (c.seed);
        const int frames = reference->getTotalLatency() + static_cast<int> (c.seconds * c.fs);
        const Signal input = makeInput (c, frames, random);
        Signal outOptimised (input.size(), std::vector<float> (static_cast<size_t> (frames)));
        Signal outReference = outOptimised;

        const int capacity = c.blocks == Blocks::oversize ? 3 * c.maxBlock : c.maxBlock;
        juce::AudioBuffer<float> bufferOptimised (c.channels, capacity),
            bufferReference (c.channels, capacity);

        // What happened before each block, for the failure message.
        std::vector<std::string> log;
        std::vector<int> blockStarts;

        int block = 0;
        bool resetPending = false;
        int structuralLeft = c.structuralMoves;
        for (int start = 0; start < frames; ++block)
        {
            const int n = juce::jmin (frames - start, nextBlockSize (c, random));
            std::string moves;
            bool bypassed = false;

            const auto apply = [&] (const Move& move)
            {
                moves += (moves.empty() ? "" : ", ") + move.describe();
                if (move.kind == Move::bypass)
                {
                    bypassed = true;
                    return;
                }
                applyMove (*optimised, move);
                applyMove (*reference, move);
                if (move.kind == Move::reset)
                {
                    // The processor resets its feeder with the engine.
                    feederOptimised.reset();
                    feederReference.reset();
                }
            };

            // Like the processor: the first block after a bypassed one starts with a reset.
            if (resetPending)
            {
                apply ({ Move::reset, 0, 0.0f });
                resetPending = false;
            }
            if (c.mixFlipEvery > 0 && block % c.mixFlipEvery == 0)
                for (int s = 0; s < 3; ++s)
                    apply ({ Move::mix, s, (block / c.mixFlipEvery) % 2 == 0 ? 20.0f : 110.0f });
            const float moveChance = juce::jmin (0.9f, c.movesPerSecond * static_cast<float> (n / c.fs));
            while (moveChance > 0.0f && random.nextFloat() < moveChance)
                apply (randomMove (random));
            if (structuralLeft > 0 && start >= reference->getTotalLatency() &&
                random.nextFloat() < static_cast<float> (10.0 * n / c.fs))
            {
                apply ({ random.nextBool() ? Move::reset : Move::bypass, 0, 0.0f });
                --structuralLeft;
            }
            resetPending = bypassed;

            log.push_back ("block " + std::to_string (block) + " at " + std::to_string (start) + ", " +
                           std::to_string (n) + " samples" + (moves.empty() ? "" : ": " + moves));
            blockStarts.push_back (start);

            for (int ch = 0; ch < c.channels; ++ch)
            {
                const float* source = input[static_cast<size_t> (ch)].data() + start;
                bufferOptimised.copyFrom (ch, 0, source, n);
                bufferReference.copyFrom (ch, 0, source, n);
            }

            {
                std::unique_ptr<juce::ScopedNoDenormals> flush;
                if (c.noDenormals)
                    flush = std::make_unique<juce::ScopedNoDenormals>();
                processBlock (*optimised, feedOptimised, bufferOptimised, c.channels, n, bypassed);
                processBlock (*reference, feedReference, bufferReference, c.channels, n, bypassed);
            }

            for (int ch = 0; ch < c.channels; ++ch)
            {
                std::copy_n (bufferOptimised.getReadPointer (ch), n,
                             outOptimised[static_cast<size_t> (ch)].begin() + start);
                std::copy_n (bufferReference.getReadPointer (ch), n,
                             outReference[static_cast<size_t> (ch)].begin() + start);
            }
            start += n;
        }

        float peak = 0.0f;
        for (const auto& x : outReference)
            for (const float v : x)
                peak = std::isfinite (v) ? juce::jmax (peak, std::abs (v)) : peak;
        const float scale = juce::jmax (peak, peakFloor);
        outcome.peak = peak;

        int firstFrame = -1, firstChannel = -1;
        for (int ch = 0; ch < c.channels; ++ch)
        {
            const auto& a = outOptimised[static_cast<size_t> (ch)];
            const auto& b = outReference[static_cast<size_t> (ch)];
            for (int t = 0; t < frames; ++t)
            {
                const float x = a[static_cast<size_t> (t)], y = b[static_cast<size_t> (t)];
                if (sameBits (x, y))
                    continue;
                outcome.bitIdentical = false;
                const float difference = std::abs (x - y) / scale; // NaN when either is not finite
                outcome.largestDifference = std::isfinite (difference)
                                                ? juce::jmax (outcome.largestDifference, difference)
                                                : std::numeric_limits<float>::infinity();
                if (!(difference <= relativeBound) && (firstFrame < 0 || t < firstFrame))
                {
                    firstFrame = t;
                    firstChannel = ch;
                }
            }
        }

        if (firstFrame >= 0)
        {
            outcome.withinBound = false;
            const auto at = static_cast<size_t> (firstFrame);
            const int failingBlock =
                static_cast<int> (std::upper_bound (blockStarts.begin(), blockStarts.end(), firstFrame) -
                                  blockStarts.begin() - 1);
            std::ostringstream text;
            text.precision (9);
            text << c.describe() << "\nfirst sample beyond the bound: channel " << firstChannel << ", frame "
                 << firstFrame << " (block " << failingBlock << "): optimised "
                 << outOptimised[static_cast<size_t> (firstChannel)][at] << ", reference "
                 << outReference[static_cast<size_t> (firstChannel)][at] << "; peak " << peak
                 << ", largest difference " << outcome.largestDifference << " of max (peak, " << peakFloor
                 << ")\nmoves up to that block:";
            for (int b = 0; b <= failingBlock; ++b)
                if (b < 4 || b + 4 > failingBlock ||
                    log[static_cast<size_t> (b)].find (':') != std::string::npos)
                    text << "\n  " << log[static_cast<size_t> (b)];
            outcome.failure = text.str();
        }
        return outcome;
    }

    //==========================================================================================
    std::vector<DiffCase> handPickedCases()
    {
        std::vector<DiffCase> cases;
        const auto add = [&cases] (DiffCase c)
        {
            c.seed = 1000 + static_cast<juce::int64> (cases.size());
            cases.push_back (std::move (c));
        };

        DiffCase c;
        c.name = "plug-in defaults";
        add (c);

        c = {};
        c.name = "worst case: Parallel, 1 us, N 91, mixes flipping 20/110 %";
        c.mode = 1;
        c.blocks = Blocks::exactlyMax;
        c.stages[0] = c.stages[1] = c.stages[2] = { 91, 1.0f, 100.0f };
        c.mixFlipEvery = 8;
        add (c);

        c = {};
        c.name = "the plug-in's feed: worst case at 44.1 kHz, host blocks 1 ... 4096";
        c.maxBlock = 4096;
        c.throughFeeder = true;
        c.mode = 1;
        c.stages[0] = c.stages[1] = c.stages[2] = { 91, 1.0f, 100.0f };
        c.mixFlipEvery = 8;
        add (c);

        c = {};
        c.name = "the plug-in's feed at 48 kHz: every move often, resets and bypassed blocks";
        c.fs = 48000.0;
        c.maxBlock = 1024;
        c.throughFeeder = true;
        c.movesPerSecond = 400.0f;
        c.structuralMoves = 3;
        c.seconds = 0.3;
        add (c);

        c = {};
        c.name = "192 kHz, 1 us, N 2, mix 120 % at rest, Series, large varying blocks";
        c.fs = 192000.0;
        c.maxBlock = 4096;
        c.stages[0] = c.stages[1] = c.stages[2] = { 2, 1.0f, 120.0f };
        add (c);

        c = {};
        c.name = "22.05 kHz mono, single-sample blocks, 48 us, N 91, Parallel";
        c.fs = 22050.0;
        c.channels = 1;
        c.maxBlock = 1;
        c.mode = 1;
        c.stages[0] = c.stages[1] = c.stages[2] = { 91, 48.0f, 100.0f };
        add (c);

        c = {};
        c.name = "silent input at the worst settings (the floor)";
        c.fs = 96000.0;
        c.input = Input::silence;
        c.mode = 1;
        c.stages[0] = c.stages[1] = c.stages[2] = { 91, 1.0f, 120.0f };
        c.noDenormals = false;
        add (c);

        c = {};
        c.name = "all mixes 0 (the dry path), stages switching on and off";
        c.fs = 48000.0;
        c.maxBlock = 64;
        c.stages[0] = c.stages[1] = c.stages[2] = { 31, 11.0f, 0.0f };
        c.movesPerSecond = 200.0f;
        add (c);

        c = {};
        c.name = "every move often, with resets, bypassed blocks and mode switches";
        c.fs = 88200.0;
        c.maxBlock = 256;
        c.mode = 1;
        c.movesPerSecond = 400.0f;
        c.structuralMoves = 3;
        c.seconds = 0.3;
        add (c);

        c = {};
        c.name = "segments of about one and two samples at 48 kHz, ramping from the defaults";
        c.fs = 48000.0;
        c.stages[0] = { 17, 20.83f, 100.0f };
        c.stages[1] = { 4, 41.67f, 60.0f };
        c.stages[2] = { 91, 20.8333f, 120.0f };
        c.mode = 1;
        c.startAtRest = false;
        add (c);

        c = {};
        c.name = "blocks above the prepared maximum";
        c.maxBlock = 64;
        c.blocks = Blocks::oversize;
        c.stages[1] = { 5, 3.0f, 100.0f };
        c.movesPerSecond = 50.0f;
        c.structuralMoves = 1;
        add (c);

        c = {};
        c.name = "mode index 2 (not \"Series\": Parallel), presences 0 and 100";
        c.mode = 2;
        c.presence = 0.0f;
        c.stages[2] = { 7, 48.0f, 120.0f };
        c.movesPerSecond = 50.0f;
        add (c);

        c = {};
        c.name = "tone at 100 % (filter disengaged), denormals kept, 4096 exactly";
        c.fs = 44100.0;
        c.maxBlock = 4096;
        c.blocks = Blocks::exactlyMax;
        c.presence = 100.0f;
        c.noDenormals = false;
        c.stages[0] = c.stages[1] = c.stages[2] = { 45, 33.3f, 100.0f };
        c.seconds = 0.4;
        add (c);

        return cases;
    }

    juce::int64 environmentNumber (const char* name, juce::int64 fallback)
    {
        const char* text = std::getenv (name);
        return text != nullptr && *text != '\0' ? std::strtoll (text, nullptr, 10) : fallback;
    }

    std::vector<DiffCase> randomisedCases()
    {
        const auto baseSeed = environmentNumber ("KALEIDRA_DIFFERENTIAL_SEED", 20250607);
        const auto count = static_cast<int> (environmentNumber ("KALEIDRA_DIFFERENTIAL_CASES", 40));

        std::vector<DiffCase> cases;
        for (int k = 0; k < count; ++k)
        {
            DiffCase c;
            c.seed = baseSeed + k;
            juce::Random random (c.seed * 7919 + 17);
            c.name = "randomised " + std::to_string (k);
            c.fs = sampleRates[random.nextInt (6)];
            c.channels = 1 + random.nextInt (2);
            const int blocks[] = {
                1, 2, 7, 32, 64, 128, 441, 512, 1024, 2048, 4096, 1 + random.nextInt (4096)
            };
            c.maxBlock = blocks[random.nextInt (12)];
            c.throughFeeder = random.nextInt (3) == 0;
            c.blocks = random.nextInt (6) == 0 ? Blocks::exactlyMax : Blocks::varying;
            c.mode = random.nextInt (2);
            for (auto& s : c.stages)
            {
                const int n = random.nextInt (4);
                s.segments = n == 0 ? 2 : (n == 1 ? 91 : 2 + random.nextInt (90));
                const int us = random.nextInt (4);
                s.microseconds =
                    us == 0 ? 1.0f
                            : (us == 1 ? 48.0f : 1.0f + 0.01f * static_cast<float> (random.nextInt (4701)));
                const float mixes[] = { 0.0f, 100.0f, 120.0f,
                                        0.01f * static_cast<float> (random.nextInt (12001)) };
                s.mixPercent = mixes[random.nextInt (4)];
            }
            const float presences[] = { 0.0f, 50.0f, 75.0f, 100.0f,
                                        0.1f * static_cast<float> (random.nextInt (1001)) };
            c.presence = presences[random.nextInt (5)];
            c.startAtRest = random.nextInt (3) != 0;
            c.noDenormals = random.nextInt (4) != 0;
            c.movesPerSecond = random.nextInt (4) == 0 ? 0.0f : 300.0f * random.nextFloat();
            c.structuralMoves = random.nextInt (3) == 0 ? 1 + random.nextInt (3) : 0;
            c.mixFlipEvery = random.nextInt (5) == 0 ? 1 + random.nextInt (8) : 0;
            c.seconds = 0.1 + 0.3 * random.nextDouble();
            cases.push_back (c);
        }
        return cases;
    }

    void runTable (const std::vector<DiffCase>& cases, const char* title)
    {
        int identical = 0;
        float largest = 0.0f;
        for (const auto& c : cases)
        {
            const auto outcome = runCase (c);
            EXPECT_TRUE (outcome.withinBound) << outcome.failure;
            // The comparison means something only once the output is past the engine's latency.
            if (c.input != Input::silence)
            {
                EXPECT_GT (outcome.peak, 0.0f) << c.describe();
            }
            identical += outcome.bitIdentical ? 1 : 0;
            largest = juce::jmax (largest, outcome.largestDifference);
        }

        std::cout << "[ differential ] " << title << ": " << identical << " of " << cases.size()
                  << " cases bit-identical; largest difference " << largest << " of max (peak, " << peakFloor
                  << "), bound " << relativeBound << std::endl;
    }
} // namespace

TEST (Differential, HandPickedCasesMatchTheReference)
{
    runTable (handPickedCases(), "hand-picked");
}

TEST (Differential, RandomisedCasesMatchTheReference)
{
    runTable (randomisedCases(), "randomised");
}
} // namespace kaleidra::test
