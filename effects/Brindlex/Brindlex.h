#pragma once

#include "Filters.h"
#include "IFxAU.h"
#include "NoiseGenerator.h"
#include "ParameterTable.h"
#include "UTL_TripleBuffer.h"
#include "resource.h"

#include <array>

class IControl;
class IGraphics;

// A stereo effect that gives audio the sound of an old communications link. Three stages,
// switched on and off independently and always run in this order: the amp (band-limiting
// filters, drive into a waveshaper, a tone filter and added noise), the EQ (a peak between two
// opposite shelves) and the limiter (envelope-driven gain reduction into a fast tanh).
class Brindlex : public IFxAU, public brindlex::ParameterIndex {
public:
    // The seven filters, in the order the effect declares them.
    enum EFilter {
        kEQHighShelf,
        kEQPeak,
        kShaperPeak,
        kToneFilter,
        kEQLowShelf,
        kInputHighPass,
        kInputLowPass
    };

    // Whether the effect builds its editor: a plug-in whose editor runs elsewhere (in an LV2
    // host's UI process, say) processes audio without one.
    enum EEditor { kWithEditor, kWithoutEditor };

    explicit Brindlex(const IFxInstanceInfo& instanceInfo, EEditor editor = kWithEditor);

    void Reset() override;
    void OnParamChange(int paramIdx) override;
    // Reads input channels 0 and 1 and writes output channels 0 and 1; the buffers may be the
    // same. Hands the three meter values to the meters afterwards, also for 0 frames.
    //
    // A NaN or infinite sample makes what it touches non-finite for the rest of its block; a
    // stage whose filter states or envelopes end a block non-finite starts the next block from
    // rest, and a meter is shown 0 instead of a non-finite value.
    void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;

    // The EQ designs. The shelves' second argument is not used; callers pass 1.0.
    void calcLS(double freq, double unused, double gainDB);
    void calcHS(double freq, double unused, double gainDB);
    void calcPF(double freq, double q, double gainDB);
    // Designs the amp's tone filter from the cached "Amp Tone" value.
    void calcTone();

protected:
    // The editor's lamps and meters, which the effect drives itself, by brindlex::Indicator;
    // null until an editor provides them.
    using Indicator = brindlex::Indicator;
    using Indicators = std::array<IControl*, Indicator::kCount>;
    void SetIndicators(const Indicators& indicators) { mIndicators = indicators; }
    const Indicators& GetIndicators() const { return mIndicators; }

    // A look at one filter, for subclasses that inspect the effect: the coefficients as the
    // parameters last designed them, the states as processing left them.
    Biquad GetFilter(EFilter filter) const;
    // Restarts the amp's noise as rand() restarts after srand(seed), for subclasses that compare
    // instances; not while processing.
    void SeedNoise(unsigned seed) { mNoise.Seed(seed); }

private:
    struct MeterValues {
        double amp = 0.0, output = 0.0, gain = 0.0;
    };

    // The background, the images and the seventeen controls; keeps the lamps and meters.
    void LayOutEditor(IGraphics* graphics);

    // What the signal chain reads of the parameters. OnParamChange keeps it up to date under
    // the plug-in's lock and hands it whole to processing, which takes no lock: the audio
    // thread never sees a value, or a filter's coefficients, half changed.
    struct Settings {
        double threshold = 1.0; // linear amplitude
        double ampGain = 1.0;
        double noiseMix = 1.0; // share of the signal, the rest is noise
        bool limiterOn = false;
        bool eqOn = false;
        bool ampOn = false;
        BiquadCoefs eqHighShelf, eqPeak, tone, eqLowShelf;
    };

    void RedesignEQ();
    MeterValues RunStages(const Settings& settings, const double* inL, const double* inR,
                          double* outL, double* outR, int nFrames);

    Indicators mIndicators = {};
    Settings mSettings;
    UTL_TripleBuffer<Settings> mProcessSettings;
    double mEQFreq = 1.0;  // Hz
    double mEQLevel = 1.0; // dB
    double mTone = 1.0;    // dB
    bool mEQWide = false;
    double mNoiseCount = 2.0; // uniform draws summed per channel and frame
    // The amp's noise comes from the instance's own generator: nothing else in the process
    // changes what an instance sounds like, and the audio thread takes no lock for it.
    NoiseStream mNoiseStream;
    NoiseGenerator mNoise{mNoiseStream.Seed()};
    double mOutputEnvelope = 0.0;
    double mAmpEnvelope = 0.0;
    double mGainEnvelope = 0.0;
    double mLimiterEnvelope = 0.0;
    double mAttack = 0.0; // envelope coefficients per frame
    double mRelease = 0.0;
    // Owned by processing; the designed filters take their coefficients from the settings.
    Biquad mEQHighShelf;
    Biquad mEQPeak;
    Biquad mShaperPeak;
    Biquad mToneFilter;
    Biquad mEQLowShelf;
    Biquad mInputHighPass;
    Biquad mInputLowPass;
};

// Makes one instance, as the component does when a host opens it; instances are constructed
// one at a time across the process.
IFxAU* MakePlug();
// The editor for the plug-in: the Mac back end, showing images from the plug-in's bundle. A
// frame rate of 0 is the editor's default.
IGraphics* MakeGraphics(IFxAU* plug, int width, int height, int fps = 0);
