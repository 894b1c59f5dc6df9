#include "DisplayTestSupport.h"
#include "display/ImageBox.h"
#include <QTemporaryDir>

TEST(ImageBox, LoadsAPictureByItsContentAndKeepsItWhenTheNextIsNone) {
    QTemporaryDir dir;
    // A one-pixel red GIF as a site serves it, stored under a ".JPG" name.
    displaytest::writeFile(dir.filePath("rosso.JPG"), QByteArray::fromHex("47494638396101000100800000ff0000000000"
                                                                          "21f90400000000002c00000000010001000002024401003b"));
    displaytest::writeFile(dir.filePath("pagina.gif"), "<html>non sono una immagine</html>");
    ImageBox box;
    box.setPicture(LoadPicture(displaytest::programForm(dir.filePath("rosso.JPG"))));
    ASSERT_EQ(box.Picture().size(), QSize(1, 1));
    EXPECT_EQ(box.Picture().toImage().pixelColor(0, 0), QColor(Qt::red));
    const qint64 shown = box.Picture().cacheKey();
    for (const auto& [name, number] : {std::pair{"pagina.gif", 481}, {"manca.gif", 53}}) {
        EXPECT_EQ(displaytest::failure([&] { box.setPicture(LoadPicture(dir.filePath(name))); }), number) << name;
        EXPECT_EQ(box.Picture().cacheKey(), shown); // set only when loaded, as the open-page command does
    }
}
