// Catalogue primitives instantiated by name, for a zerith9 part: an ECC-protected RAMB36,
// a RAMB18 whose designer declares 2048 bits protected, and two FIFOs.
module explicit_top (
    input clk,
    input we,
    input [14:0] addr,
    input [71:0] din,
    output [71:0] dout,
    output [35:0] fifo_out,
    output [17:0] table_out
);
  RAMB36 #(
      .RAM_MODE("SDP"),
      .READ_WIDTH_A(72),
      .WRITE_WIDTH_B(72),
      .EN_ECC_READ("TRUE"),
      .EN_ECC_WRITE("TRUE")
  ) ecc_ram (
      .CLKA(clk), .CLKB(clk), .ENA(1'b1), .ENB(we), .WEA(4'hf), .WEB(4'hf),
      .ADDRA(addr), .ADDRB(addr), .DIA(din[35:0]), .DIB(din[71:36]),
      .DOA(dout[35:0]), .DOB(dout[71:36])
  );

  (* SEU_PROTECTED = 2048 *)
  RAMB18 #(
      .RAM_MODE("TDP"),
      .READ_WIDTH_A(9), .WRITE_WIDTH_A(9),
      .READ_WIDTH_B(9), .WRITE_WIDTH_B(9)
  ) table_ram (
      .CLKA(clk), .CLKB(clk), .ENA(1'b1), .ENB(1'b1), .WEA({2{we}}), .WEB(2'b0),
      .ADDRA(addr[13:0]), .ADDRB(addr[14:1]), .DIA(din[17:0]), .DIB(18'b0),
      .DOA(table_out)
  );

  wire [71:0] wide_out;
  FIFO36 #(
      .FIFO_MODE("FIFO36_72"),
      .READ_WIDTH(72),
      .WRITE_WIDTH(72)
  ) wide_fifo (
      .WRCLK(clk), .RDCLK(clk), .WREN(we), .RDEN(1'b1), .RST(1'b0), .DI(din), .DO(wide_out)
  );

  FIFO18 #(
      .READ_WIDTH(36),
      .WRITE_WIDTH(36)
  ) narrow_fifo (
      .WRCLK(clk), .RDCLK(clk), .WREN(we), .RDEN(1'b1), .RST(1'b0), .DI(wide_out[35:0]),
      .DO(fifo_out)
  );
endmodule
