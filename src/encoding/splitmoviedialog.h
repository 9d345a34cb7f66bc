#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Movie split options": how to cut the loaded movie into volumes (preset media, a slice
// of the user's own or a number of equal parts) and where the volumes go. The three results
// live in the caller's variables and follow every change of choice; the caller reads them
// after exec() returned Accepted and hands them to the MediaSplitter.
class SplitMovieDialog : public QDialog
{
    Q_OBJECT

public:
    SplitMovieDialog(qint64 inputSize, QString *inputFolder, QString *outputFolder,
                     int *volumeCount, qint64 *volumeSize, QWidget *parent = nullptr);

    // Largest number of equal parts offered for an input of this size.
    static int maximumParts(qint64 inputSize);
    // The volume size is that of equal parts (the divide method), not a limit (a medium's or
    // the user's slice).
    bool equalParts() const;
    // What a split within a size makes of the input, where the caller can tell it (the input's
    // key frames may leave each volume short of the size): the number of volumes and the last
    // one's expected size in bytes; 0 volumes while it cannot tell. The volume method then says
    // those volumes, and the count written is theirs.
    using VolumePlanner = std::function<int(qint64 size, qint64 *lastSize)>;
    void setVolumePlanner(const VolumePlanner &planner);

public slots:
    // The planner may tell more now: the volume method's text and count again.
    void replan();

signals:
    // The user chose the other method.
    void methodChanged();

protected slots:
    void divideSetValue(int value);
    void divideUpdateSelection();
    void folderSetChoice();
    void methodSetDivide();
    void methodSetVolume();
    void volumeSelectUser();
    void volumeUpdateSelection();
    void volumeUserChangeUnit();
    void volumeUserFinishEditing();

private:
    static constexpr int kPresetCount = 5;

    void buildWidgets();
    void connectWidgets();
    void chooseInitially();
    int selectedPreset() const;
    bool userUnitIsGigabytes() const;

    qint64 m_inputSize;
    QString m_targetFolder;
    QString m_inputFolder;
    QString *m_outputFolder;
    int *m_volumeCount;
    qint64 *m_volumeSize;
    VolumePlanner m_planner;

    QRadioButton *m_volumeMethod = nullptr;
    QRadioButton *m_divideMethod = nullptr;
    QButtonGroup *m_methods = nullptr;
    QGroupBox *m_presetGroup = nullptr;
    QRadioButton *m_presets[kPresetCount] = {};
    QRadioButton *m_userSlice = nullptr;
    QLineEdit *m_sliceEdit = nullptr;
    QComboBox *m_unitBox = nullptr;
    QGroupBox *m_divideGroup = nullptr;
    QSpinBox *m_partCount = nullptr;
    QRadioButton *m_userFolder = nullptr;
    QRadioButton *m_inputFolderButton = nullptr;
    QPushButton *m_splitButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};
