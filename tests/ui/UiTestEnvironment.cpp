// The widget tests need one QApplication for the whole process. The shared test main
// knows nothing of Qt, so the application comes from a global test environment that a
// static initializer of this file registers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <memory>

namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
#ifdef _WIN32
    // The offscreen platform there knows only the fonts beside the tests
    // (lib/fonts) and not its own "Sans Serif": give it the face that
    // fontconfig picks on Linux.
    QFont::insertSubstitution(QStringLiteral("Sans Serif"), QStringLiteral("DejaVu Sans"));
#endif
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[8] = "test_ui";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
