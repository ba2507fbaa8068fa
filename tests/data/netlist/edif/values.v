// Parameter and attribute values as Yosys writes them to EDIF: a 64-bit literal, a real, a
// text, bits with x and z, a 32-bit all-ones value, a narrow value wider than 32 bits,
// and a placement attribute on a hierarchical instance.
(* blackbox *) module BB #(parameter [63:0] W = 0, parameter R = 1.5, parameter S = "x", parameter [3:0] X = 4'bx01z, parameter [31:0] N = 0, parameter [40:0] M = 0) (input a, output y);
endmodule
module sub(input a, output y);
  BB #(.W(64'hFEDCBA9876543210), .R(2.25), .S("hello world"), .X(4'b1x0z), .N(32'hFFFFFFFF), .M(41'd5)) b (.a(a), .y(y));
endmodule
module top(input a, output y, output z);
  (* SEU_PROTECTED = 64'h100000000, NEXTPNR_BEL = "X1Y2/RAM", keep *) sub u1(.a(a), .y(y));
  sub u2(.a(y), .y(z));
endmodule
