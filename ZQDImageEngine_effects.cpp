// One-touch looks: a look number picks the masks and data file the look needs
// from the resource bundle and the library overload that runs it.
//
//   lookRecipe       the table of the thirty numbers
//   Process          decode, inputs, library call, result
//   loadLookInputs   masks stretched to the picture, the data file read whole
//   applyLook        the one library call
//
// Masks are stretched to the picture's exact size (fast scaling, aspect
// ignored) so that one index addresses the same pixel in every buffer. The
// library changes the picture's own buffer in place.
#include "ZQDImageEngine.h"

#include "bandworkers.h"
#include "logging.h"
#include "operationerror.h"
#include "photoreader.h"

#include "qtqveffect.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// A blend table file: a count byte, then three tables of 256 x 256 behind
// three-byte headers.
constexpr int kBlendTableBytes = 196618;
// The tilt-shift mask file: two single-byte masks of 640 x 640.
constexpr int kTiltShiftMaskBytes = 819200;

using Recipe = ZQDImageEngine::LookRecipe;

// Masks in the order the overload receives them (second, third, fourth).
// 1041 and 1048 share two textures in opposite orders.
constexpr Recipe kLooks[] = {
    {1018, 3, {":/style/qvrk_lomo4.jpg", ":/style/qvrk_lomo1_2.jpg"}, nullptr, 0},
    {1019, 1, {}, nullptr, 0},
    {1020, 1, {}, nullptr, 0},
    {1021, 1, {}, nullptr, 0},
    {1022, 1, {}, nullptr, 0},
    {1023, 1, {}, nullptr, 0},
    {1026, 2, {":/style/qvrk_lzp_b.jpg"}, nullptr, 0},
    {1027, 1, {}, nullptr, 0},
    {1028, 1, {}, nullptr, 0},
    {1030, 2, {":/style/qvrk_lianghong_001.jpg"}, nullptr, 0},
    {1031, 5, {":/style/qvrk_laozhaop2_wenli1.jpg", ":/style/qvrk_laozhaop2_wenli2.jpg"}, ":/eb/effect6.eb",
     kBlendTableBytes},
    {1032, 5, {":/style/qvrk_lomo1_1.jpg", ":/style/qvrk_lomo1_2.jpg"}, ":/eb/effect034.eb", kBlendTableBytes},
    {1033, 1, {}, nullptr, 0},
    {1034, 1, {}, nullptr, 0},
    {1035, 1, {}, nullptr, 0},
    {1038, 5, {":/style/qvrk_lomo5_1.jpg", ":/style/qvrk_lomo5_2.jpg"}, ":/eb/effect5.eb", kBlendTableBytes},
    {1039, 1, {}, nullptr, 0},
    {1040, 1, {}, nullptr, 0},
    {1041, 3, {":/style/blowout2.jpg", ":/style/vignette640.jpg"}, nullptr, 0},
    {1042, 2, {":/style/qvrk_festival_1b.jpg"}, nullptr, 0},
    {1043, 2, {":/colorful/2.jpg"}, nullptr, 0},
    {1044, 2, {":/colorful/qvrk_yj.jpg"}, nullptr, 0},
    {1045, 2, {":/colorful/qvrk_qcgy.jpg"}, nullptr, 0},
    {1046, 2, {":/colorful/qvrk_star.jpg"}, nullptr, 0},
    {1047, 2, {":/style/qvrk_fzs.png"}, nullptr, 0},
    {1048, 4, {":/style/vignette640.jpg", ":/style/blowout2.jpg", ":/style/qvrk_fhjr3.jpg"}, nullptr, 0},
    {1101, 1, {}, nullptr, 0},
    {1102, 2, {":/style/qvrk_rgha.jpg"}, nullptr, 0},
    // No mask picture: the mask file itself is the second buffer.
    {1104, 2, {}, ":/eb/qvrk_lomo_16.eb", kTiltShiftMaskBytes},
    // The "original": overload 2 runs no style under this number.
    {1500, 2, {":/colorful/0.jpg"}, nullptr, 0},
};

constexpr int maskCount(const Recipe &recipe)
{
    int n = 0;
    while (n < int(std::size(recipe.masks)) && recipe.masks[n])
        ++n;
    return n;
}

// The overload a recipe's inputs call for: one more than its pictures (the
// photo and its masks), 5 with a blend table; 1104 hands its mask file over
// as the second buffer. The number of pictures a look takes is said once, by
// its masks, and the overload must agree.
constexpr int overloadFor(const Recipe &recipe)
{
    const int pictures = 1 + maskCount(recipe);
    if (recipe.data && pictures == 1)
        return 2;  // the file is the second buffer
    return recipe.data ? 5 : pictures;
}

constexpr bool overloadsAgree()
{
    for (const Recipe &recipe : kLooks) {
        if (recipe.overload != overloadFor(recipe))
            return false;
    }
    return true;
}
static_assert(overloadsAgree(), "a look's overload does not take the pictures its recipe lists");

}  // namespace

const ZQDImageEngine::LookRecipe *ZQDImageEngine::lookRecipe(int id)
{
    for (const Recipe &recipe : kLooks) {
        if (recipe.id == id)
            return &recipe;
    }
    return nullptr;
}

std::vector<int> ZQDImageEngine::lookNumbers()
{
    std::vector<int> numbers;
    for (const Recipe &recipe : kLooks)
        numbers.push_back(recipe.id);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QPixmap ZQDImageEngine::Process(QString path, int id)
{
    qCDebug(lcEngine) << "Process id " << id;
    const Recipe *recipe = lookRecipe(id);
    // The masks need only the photo's size, which its header tells: they are
    // stretched while another thread decodes the photo. A reason either
    // records is handed back to this thread, whose caller asks for it.
    // A picture with transparency is worked on opaque and gets its alpha back.
    QImage qim;
    QImage alpha;
    QList<QImage> masks;
    QByteArray data;
    QSize header;
    bool inputsRead = false;
    QString reasons[2];
    bandworkers::forEach(2, bandworkers::threadsFor(2), [&](std::size_t piece, int) {
        if (piece == 0) {
            qim = loadPic(path, &alpha);
        } else {
            header = imageio::uprightSize(path);
            inputsRead = recipe && header.isValid()
                         && loadLookInputs(*recipe, header.width(), header.height(), masks, data);
        }
        reasons[piece] = OperationError::take();
        return true;
    });
    for (const QString &reason : reasons) {
        if (!reason.isEmpty())
            OperationError::set(reason);
    }
    qCDebug(lcEngine) << "qim status=" << (qim.isNull() ? "true" : "false");
    if (qim.isNull())
        return {};
    // A format that does not tell its size beforehand gets its masks now.
    if (recipe && qim.size() != header)
        inputsRead = loadLookInputs(*recipe, qim.width(), qim.height(), masks, data);
    return lookApplied(recipe, id, std::move(qim), alpha, masks, data, inputsRead);
}

QPixmap ZQDImageEngine::Process(const QImage &picture, int id)
{
    const Recipe *recipe = lookRecipe(id);
    // As a decoded photo is taken: opaque 32-bit, its alpha given back after.
    const QImage alpha = alphaOf(picture);
    QImage qim = picture.convertToFormat(QImage::Format_RGB32);
    if (qim.isNull())
        return {};
    QList<QImage> masks;
    QByteArray data;
    const bool inputsRead = recipe && loadLookInputs(*recipe, qim.width(), qim.height(), masks, data);
    return lookApplied(recipe, id, std::move(qim), alpha, masks, data, inputsRead);
}

QPixmap ZQDImageEngine::lookApplied(const LookRecipe *recipe, int id, QImage qim, const QImage &alpha,
                                    QList<QImage> &masks, QByteArray &data, bool inputsRead)
{
    if (!recipe)
        return resultPixmap(withAlpha(std::move(qim), alpha));
    if (!inputsRead) {
        qCWarning(lcEngine) << "Process: a resource of look" << id << "cannot be read";
        OperationError::set(QStringLiteral("The look %1 cannot be applied: a picture or file it needs cannot be read.")
                                .arg(id));
        return {};
    }
    if (id == 1018) {
        for (int i = 0; i < masks.size(); ++i)
            qCDebug(lcEngine).nospace() << "mask" << i + 1 << " width=" << masks[i].width()
                                        << " height=" << masks[i].height() << " len=" << masks[i].sizeInBytes();
    }
    if (!applyLook(*recipe, qim, masks, data)) {
        OperationError::set(
            QStringLiteral("The look %1 cannot be applied: its masks do not match the photo.").arg(id));
        return {};
    }
    return resultPixmap(withAlpha(std::move(qim), alpha));
}

bool ZQDImageEngine::loadLookInputs(const LookRecipe &recipe, int width, int height, QList<QImage> &masks,
                                    QByteArray &data)
{
    masks.clear();
    data.clear();
    const int count = maskCount(recipe);
    for (int i = 0; i < count; ++i) {
        QImage mask = loadMask(QString::fromLatin1(recipe.masks[i]), width, height);
        if (!pixelBuffer(mask))
            return false;
        masks.append(std::move(mask));
    }
    if (recipe.data) {
        data = loadBytes(recipe.data);
        if (data.size() < recipe.dataLength)
            return false;
    }
    return true;
}

bool ZQDImageEngine::applyLook(const LookRecipe &recipe, QImage &picture, QList<QImage> &masks, QByteArray &data)
{
    uchar *image = pixelBuffer(picture);
    if (!image)
        return false;
    const int w = picture.width();
    const int h = picture.height();
    // Every mask the overload reads, and the data file when there is one.
    uchar *m[3] = {};
    const int count = maskCount(recipe);
    if (masks.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        if (masks[i].size() != picture.size() || !(m[i] = pixelBuffer(masks[i])))
            return false;
    }
    uchar *bytes = nullptr;
    if (recipe.data) {
        if (data.size() < recipe.dataLength)
            return false;
        bytes = reinterpret_cast<uchar *>(data.data());
    }

    switch (recipe.overload) {
    case 1:
        iTheEngine->effect(recipe.id, image, w, h);
        break;
    case 2:
        // 1104 has no mask picture: its mask file is the second buffer.
        iTheEngine->effect(recipe.id, image, count ? m[0] : bytes, w, h);
        break;
    case 3:
        iTheEngine->effect(recipe.id, image, m[0], m[1], w, h);
        break;
    case 4:
        iTheEngine->effect(recipe.id, image, m[0], m[1], m[2], w, h);
        break;
    case 5:
        iTheEngine->effect(recipe.id, image, m[0], m[1], w, h, bytes, int(data.size()));
        break;
    default:
        return false;
    }
    return true;
}
