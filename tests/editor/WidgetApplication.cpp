// Widget tests need a QApplication; one is made before the first test, on the
// offscreen platform when no other is asked for.

#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

namespace {

class WidgetApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[12] = "skirlo-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new WidgetApplicationEnvironment);

}  // namespace
