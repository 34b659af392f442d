// Re-analysis per edit: the analysis itself (which the model runs on the main thread for short
// articles and on its analysis thread for long ones), and the main thread's share of one edit
// through the model. Sizes are UTF-16 units: 10k, 100k and 1 MiB of text.

#include "app/model/AppModel.h"
#include "app/model/ArticleAnalyzer.h"
#include "platform/backend/sim/SimBackend.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace plumeo {
namespace {

/// Chinese and English paragraphs with emoji, `units` UTF-16 units long.
std::u16string mixedArticle(std::size_t units) {
    const std::u16string pieces[] = {
        u"我们的生活中有很多事情，是可以自己决定的。你想去哪里？这里的风景很好！",
        u"The quick brown fox jumps over the lazy dog, doesn't it? It is 3.14 wide. ",
        u"😀 👨‍👩‍👧 🇨🇳 ",
        u"中文和English混排，数字123与标点；还有制表符\t和换行。\n",
    };
    std::u16string text;
    for (std::size_t i = 0; text.size() < units; ++i)
        text += pieces[i % std::size(pieces)];
    text.resize(units);
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF)
        text.back() = u'x';
    return text;
}

void analysisArguments(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(10'000)->Arg(100'000)->Arg(1 << 20)->Unit(benchmark::kMillisecond);
}

void BM_Analyze(benchmark::State& state) {
    AnalysisRequest request;
    request.article = mixedArticle(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ArticleAnalyzer::analyze(request));
}
BENCHMARK(BM_Analyze)->Apply(analysisArguments);

void BM_AnalyzeByDuration(benchmark::State& state) {
    AnalysisRequest request;
    request.article = mixedArticle(static_cast<std::size_t>(state.range(0)));
    request.paceByDuration = true;
    request.targetMinutes = 30;
    for (auto _ : state)
        benchmark::DoNotOptimize(ArticleAnalyzer::analyze(request));
}
BENCHMARK(BM_AnalyzeByDuration)->Apply(analysisArguments);

/// One keystroke appended to the article through the model; the time is what the main thread
/// spends before it can paint again. Analyses handed to the analysis thread finish untimed.
void BM_ModelEdit(benchmark::State& state, bool byDuration) {
    QTemporaryDir directory;
    AppModelOptions options;
    options.backend = std::make_shared<SimBackend>(directory.filePath("absent.sock").toStdString());
    options.settings = std::make_unique<QSettings>(directory.filePath("settings.ini"),
                                                   QSettings::IniFormat);
    AppModel model(std::move(options));
    model.setPaceByDuration(byDuration);
    const std::u16string base = mixedArticle(static_cast<std::size_t>(state.range(0)));
    QString article = QString::fromStdU16String(base);
    model.setArticle(article);
    for (auto _ : state) {
        article.append(QChar(u'字'));
        model.setArticle(article);
        state.PauseTiming();
        while (model.analysisPending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        state.ResumeTiming();
    }
}
BENCHMARK_CAPTURE(BM_ModelEdit, bySpeed, false)->Apply(analysisArguments);
BENCHMARK_CAPTURE(BM_ModelEdit, byDuration, true)->Apply(analysisArguments);

} // namespace
} // namespace plumeo

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
