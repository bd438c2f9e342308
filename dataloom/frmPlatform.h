#pragma once

#include "dataloom_export.h"

#include <QDialog>

class QCheckBox;
class QPushButton;

// The platform window: one check box per platform id 1 to 19.
class DATALOOM_EXPORT frmPlatform : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPlatforms = 19;
    explicit frmPlatform(QWidget *parent = nullptr);

    // Check box i (1 to 19).
    QCheckBox *chkPlatform(int index) const;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

    void cmdOK_Click();
    void cmdCancel_Click();
    // Esc and the close box end the window as Cancel does.
    void reject() override;

Q_SIGNALS:
    void UnloadPlatforms(bool cancel);

private:
    void unload(bool cancel);

    QCheckBox *m_boxes[kPlatforms + 1] = {};
};
