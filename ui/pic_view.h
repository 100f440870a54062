// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the settings of a run, the counters, the two picture slots of the pair
// under review and the decision buttons.
#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "files/disposal.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace morvane {

class PictureBox;
class PickerDialogs;
class ReferenceFolders;
class RunController;
class PicViewDisplay;

class PicView : public QWidget {
    Q_OBJECT
  public:
    explicit PicView(QWidget* parent = nullptr);
    ~PicView() override;

    // What Exit and a failed output file do to end the program (tests replace it).
    void SetExitHandler(std::function<void(int status)> handler);
    // Called on the collecting thread after each file of a run (tests hold a run with it).
    void SetFileHook(std::function<void(int index)> hook);
    // Called on the comparing thread as it starts (tests hold a run's comparison with it).
    void SetScanHook(std::function<void()> hook);

    // The disposal way chosen by the boxes now: the first ticked box in index order.
    DisposalWay ChosenDisposalWay() const;
    bool IsRunning() const;
    // True while a decision button would be taken: the review waits for one, both pictures
    // are decoded and no slot was refilled within the last double-click interval.
    bool IsAwaitingDecision() const;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click(int index);
    void Command4_Click(int index);
    void Check1_KeyUp(int index);
    void VScroll1_Change();
    void Check2_Click();
    void Label3_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class PicViewDisplay;

    void BuildControls();
    void BuildSettingsRows();
    void BuildFrame();
    void BuildCounterRows();
    void BuildPairArea();
    void SetTabOrder();
    void ConnectHandlers();
    void Form_Load();
    void ShowCritical(const QString& text);
    void EndProgram(int status);

    std::array<QLabel*, 8> label1_{};
    std::array<QLabel*, 9> label2_{};
    std::array<QLineEdit*, 4> text1_{};
    std::array<QPushButton*, 4> command3_{};
    std::array<QPushButton*, 6> command4_{};
    std::array<QCheckBox*, 3> check1_{};
    std::array<PictureBox*, 2> pic2_{};
    QLineEdit* text2_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QLabel* label3_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    QLabel* pic1_ = nullptr;
    QScrollBar* vscroll1_ = nullptr;
    QCheckBox* check2_ = nullptr;             // the "similar" comparison mode
    QAction* useCache_ = nullptr;             // ticked: runs take unchanged pictures from the cache
    ReferenceFolders* references_ = nullptr;  // in the folder box's menu; owned by the box

    bool centred_ = false;
    // When a slot last got a new picture: a press must not act on a picture not yet seen.
    QElapsedTimer refilled_;
    std::unique_ptr<PickerDialogs> pickers_;
    std::function<void(int)> exitHandler_;
    std::unique_ptr<PicViewDisplay> display_;
    std::unique_ptr<RunController> run_;
};

}  // namespace morvane
