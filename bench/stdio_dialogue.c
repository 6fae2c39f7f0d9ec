// The baseline for the long-session benchmark: the same menu dialogue written
// the plainest way, with C stdio (fread, scanf, printf) and nothing tuned. It
// reads only well-formed numbers, which is all the benchmark types.
#include <stdio.h>

static unsigned char image[0x10000];

static const char *onOff(int bit) { return bit ? "Enable" : "Disable"; }

int main(int argc, char *argv[]) {
  FILE *f;
  size_t length;
  int command, time;

  if (argc != 2) {
    printf("req ym2608 sound data.\n");
    return 0;
  }
  f = fopen(argv[1], "rb");
  if (f == NULL) {
    printf("file load error.\n");
    return 0;
  }
  length = fread(image, 1, sizeof image, f);
  fclose(f);

  for (;;) {
    printf("1.TimerA             .. %s\n", onOff(image[0x389] & 0x01));
    printf("2.TimerB             .. %s\n", onOff(image[0x389] & 0x02));
    printf("3.LimitTime          .. %u\n", image[0x38A] | image[0x38B] << 8);
    printf("4.Fadeout DriverMode .. %s\n", onOff(image[0x38C] & 0x01));
    printf("5.2203 GraphicECMode .. %s\n", onOff(image[0x38C] & 0x02));
    printf("6.LimitEnd Flag      .. %s\n", onOff(image[0x38C] & 0x08));
    printf("8.Save End\n9.Exit\ncmd ..");
    if (scanf("%d", &command) != 1) break;
    switch (command) {
      case 1: image[0x389] ^= 0x01; break;
      case 2: image[0x389] ^= 0x02; break;
      case 3:
        printf("time ? ");
        if (scanf("%d", &time) != 1) goto end;
        image[0x38A] = time & 0xFF;
        image[0x38B] = (time >> 8) & 0xFF;
        break;
      case 4: image[0x38C] ^= 0x01; break;
      case 5: image[0x38C] ^= 0x02; break;
      case 6: image[0x38C] ^= 0x08; break;
      case 8:
        image[0x38E] = 0x55;
        image[0x38F] = 0xAA;
        f = fopen(argv[1], "r+b");
        if (f == NULL) {
          printf("file write open error\n");
          return 0;
        }
        fwrite(image, 1, length, f);
        fclose(f);
        printf("save end!\n");
        return 0;
      case 9: goto end;
      default: printf("??\n"); break;
    }
  }
end:
  printf("exit!\n");
  return 0;
}
